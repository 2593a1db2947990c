// Building record sets from data: the way the data service (and tests) make the record sets
// they hand out.
//
//   TableBuilder b({{"FItemID", ColumnType::kInteger}, {"FNumber", ColumnType::kText}});
//   b.AddRow({Variant(1L), Variant("01")});
//   RecordsetPtr rs = b.Build();   // unfiltered, unsorted, on the first record
//
// The finished table is immutable and shared by the record set and all its clones.
#ifndef GLNAMELIST_RECORDSET_TABLE_BUILDER_H_
#define GLNAMELIST_RECORDSET_TABLE_BUILDER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/api.h"
#include "contracts/recordset.h"
#include "contracts/variant.h"

namespace glnamelist::recordset {

enum class ColumnType { kInteger, kDouble, kBool, kText };

struct Column {
  std::string name;
  ColumnType type;
};

class GLNAMELIST_INTERNAL TableBuilder {
 public:
  explicit TableBuilder(std::vector<Column> columns);
  TableBuilder(TableBuilder&&) noexcept;
  TableBuilder& operator=(TableBuilder&&) noexcept;
  ~TableBuilder();

  void Reserve(size_t rows);
  // One value per column, in column order; a null Variant stores a null. Error 13 for a
  // value that does not convert to the column's type, Error 5 for a wrong value count.
  void AddRow(const std::vector<Variant>& values);
  size_t row_count() const;

  // The same a value at a time, for loaders that read typed values: each column's value in
  // column order, then EndRow. An integer goes into an integer or Boolean column, a text
  // into a text column, a null into any; anything else raises Error 13, and EndRow before
  // the last column Error 5, either one dropping the values of the row begun.
  void AppendInt(int64_t value);
  void AppendText(std::string_view value);
  void AppendNull();
  void EndRow();

  // A record set over the finished table. The builder is left empty.
  RecordsetPtr Build();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A new record set with no rows and no fields, to Open from a stream.
GLNAMELIST_INTERNAL RecordsetPtr NewRecordset();

// A new record set over a table of its own that holds the rows `view` shows (under its
// filter, in its order) and the named columns (all columns when `columns` is empty), copied
// column by column. `view` must be a record set of this engine (Error 13 otherwise); an
// unknown column raises Error 3265.
RecordsetPtr CopyVisibleRows(const Recordset& view, const std::vector<std::string>& columns);

// A record set over the rows of rs's table in the byte order of its text field `order`, nulls
// first and rows of one text in table order (as SQL orders them by a binary collation): rs
// itself when they come in that order, otherwise a copy. Error 13 for a record set of
// another engine or a field that is no text, 3265 for an unknown field.
GLNAMELIST_INTERNAL RecordsetPtr InByteOrder(RecordsetPtr rs, std::string_view order);

// A record set whose own rows are the rows `view` shows (under its filter, in its order),
// over the same table: nothing is copied. It and its clones start from those rows; a filter
// narrows them, a sort orders them with ties in their order. `view` must be a record set of
// this engine (Error 13 otherwise).
GLNAMELIST_INTERNAL RecordsetPtr ShapedView(const Recordset& view);

// A record set over a new version of rs's table: the rows whose integer field `key` holds
// one of `removed` are gone, and the rows of `added`'s table (made with the same fields)
// are in, each in table order by the bytes of its field `order` among rows that come in
// that order (as a ledger's rows come in code order). Nothing of rs's table is copied or
// indexed again: the version shares its rows and look-up structures, and whoever holds rs
// goes on reading the old version. A version of a version holds the added rows of both in
// one small table of their own. Error 13 for a record set of another engine or other
// fields, 3265 for an unknown field.
GLNAMELIST_INTERNAL RecordsetPtr PatchedRecordset(const Recordset& rs, std::string_view key,
                                                  const std::vector<int64_t>& removed,
                                                  const Recordset& added, std::string_view order);

// How many rows rs's table holds of its own beyond the table it is a version of: 0 for a
// table that is no version.
GLNAMELIST_INTERNAL size_t AddedRows(const Recordset& rs);

// A record set over rs's table when it is no version, and otherwise over a table of its own
// holding the version's rows in table order (a copy, with no look-up structures yet).
GLNAMELIST_INTERNAL RecordsetPtr Compacted(const Recordset& rs);

// The columns of a table whose look-up structures are worth building ahead of use.
struct LookupColumns {
  std::vector<std::string> codes;   // matched by prefix or whole, sorted by: the index, and
                                    // whether the rows already come in their order
  std::vector<std::string> names;   // matched by contains: the posting lists as well
  std::vector<std::string> sorted;  // sorted by: the collation ranks
};

// A task that builds ahead of use what filters and sorts on those columns of rs's table would
// build on first use; names the table does not have are skipped. The task may run on any
// thread while the table is in use (a structure asked for while it is being built is waited
// for) and keeps the table alive. `rs` must be a record set of this engine (Error 13
// otherwise).
GLNAMELIST_INTERNAL std::function<void()> LookupPreparation(const Recordset& rs,
                                                            LookupColumns columns);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_TABLE_BUILDER_H_

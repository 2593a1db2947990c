// A record set of master-data rows: named fields, a filter, a sort order and a cursor.
//
// What the component relies on:
// - Filter: an expression of clauses "Field Operator Value" joined by AND and OR (an OR of
//   AND-groups); operators < > <= >= <> = LIKE; values in single quotes (a quote inside
//   written twice), between # signs, or numbers. In LIKE patterns "*" and "%" are
//   wildcards at the end or at both ends only, and "[x]" is the literal character x. Text
//   comparison ignores letter case; a null field satisfies no clause. The empty text
//   removes the filter. Setting a filter moves to the first record under it.
// - Sort: "Field [ASC|DESC][, ...]", stable; the empty text restores the stored order.
//   Setting a sort moves to the first record.
// - RecordCount: rows under the filter. AbsolutePosition: 1-based, settable 1..RecordCount.
// - Clone: a new record set over the same rows, unfiltered, unsorted, on the first record,
//   with its own filter, sort and cursor; it copies no rows.
// - Save writes the rows visible under the filter, in the current order, to a stream; Open
//   reads such a stream into this record set as new, independent rows.
// Errors: 3001 for a refused filter, sort or position (the old filter, sort and position
// stay); 3021 for a move or read without a current record; 3265 for an unknown field.
#ifndef GLNAMELIST_CONTRACTS_RECORDSET_H_
#define GLNAMELIST_CONTRACTS_RECORDSET_H_

#include <memory>
#include <string>
#include <string_view>

#include "contracts/api.h"
#include "contracts/object.h"
#include "contracts/stream.h"
#include "contracts/variant.h"

namespace glnamelist {

inline constexpr long adPersistADTG = 0;
inline constexpr long adOpenUnspecified = -1;
inline constexpr long adLockUnspecified = -1;

class GLNAMELIST_API Recordset : public Object {
 public:
  virtual std::string Filter() const = 0;
  virtual void Filter(const std::string& NewVal) = 0;
  virtual std::string Sort() const = 0;
  virtual void Sort(const std::string& NewVal) = 0;

  virtual long RecordCount() const = 0;
  virtual long AbsolutePosition() const = 0;
  virtual void AbsolutePosition(long NewVal) = 0;
  // BOF and EOF (EOF is a C macro, hence the names).
  virtual bool IsBOF() const = 0;
  virtual bool IsEOF() const = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;

  // The value of the named field (case-insensitive) of the current record.
  virtual Variant Fields(std::string_view Name) const = 0;

  virtual std::shared_ptr<Recordset> Clone() = 0;
  virtual void Save(Stream& Destination, long PersistFormat) = 0;
  virtual void Open(Stream& Source, long CursorType, long LockType, long Options) = 0;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

// A data-service object that yields a record set through its member Recordset.
class GLNAMELIST_API RecordSource : public Object {
 public:
  virtual RecordsetPtr Recordset() = 0;
};

using RecordSourcePtr = std::shared_ptr<RecordSource>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_RECORDSET_H_

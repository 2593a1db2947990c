// The rows of a drop-down list: the row-data object the component fills, as every host's
// list control keeps it.
#ifndef GLNAMELIST_LISTKIT_LIST_ROWS_H_
#define GLNAMELIST_LISTKIT_LIST_ROWS_H_

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "contracts/api.h"
#include "contracts/list_control.h"

namespace glnamelist::listkit {

class GLNAMELIST_API ListRows : public NameListData {
 public:
  struct Row {
    std::array<std::string, 3> cells;
    PicturePtr picture;
  };

  void Cols(long NewVal) override;
  void ListStyle(long NewVal) override { list_style_ = NewVal; }
  void RowsOnRequest(long NewVal) override { rows_on_request_ = NewVal; }
  // Forgets every row written or handed over before.
  void Rows(long NewVal) override;
  // Cells of rows outside 1..Rows and columns outside 0..2 are ignored.
  void CellText(long Row, long Col, const std::string& Text) override;
  void RowPicture(long Row, PicturePtr Pic) override;
  void FinishRows() override {}

  long Cols() const { return cols_; }
  long ListStyle() const { return list_style_; }
  long RowsOnRequest() const { return rows_on_request_; }
  long Rows() const { return rows_; }
  bool OnRequest() const { return rows_on_request_ == -1; }

  // The columns a row shows: column 0 (the short code) and 1..Cols for rows on request;
  // 1..Cols for copied rows (with RowsOnRequest 2 column 0 is a hidden key).
  std::vector<int> ShownColumns() const;

  // Row row (1..Rows). With rows on request, a row not handed over since Rows was last
  // set is asked for first through DataRequest, once; an error of the handler reaches the
  // caller and the row stays as the handler left it.
  const Row& Fetch(long row);
  // The row as it is, without asking for it.
  const Row& Peek(long row) const;
  // The code of a full code as a list shows it (column 1): without the " +" that marks an
  // entry with entries below it.
  static std::string_view PlainCode(std::string_view full_code);
  // True when the short code (column 0) of a row repeats its full code (column 1), the mark
  // of a parent aside: a list draws the code once.
  static bool RepeatsFullCode(const Row& row) { return row.cells[0] == PlainCode(row.cells[1]); }

 private:
  long cols_ = 1;
  long list_style_ = 1;
  long rows_on_request_ = 0;
  long rows_ = 0;
  std::unordered_map<long, Row> rows_by_number_;
  std::unordered_set<long> asked_;
};

// Whether a list shows the short code (column 0, the code relative to the parent) of the
// shown rows first..last, handed over already: only in a code listing of rows on request,
// and not when every shown row has its full code there too (a listing without a parent
// entry).
GLNAMELIST_API bool ShowsShortCode(const ListRows& rows, long first, long last, bool code_listing);

}  // namespace glnamelist::listkit

#endif  // GLNAMELIST_LISTKIT_LIST_ROWS_H_

#include "providers/common_flow.h"

#include "contracts/environment.h"
#include "services/library_services.h"

namespace glnamelist::flow {
namespace {

constexpr const char* kCaption = "澄枫提示";

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string ReadEditText(NameListState& s, bool flag) {
  long hWnd = s.TextBox->hWnd();
  return s.MyNameList->GetEditText(hWnd, flag ? -1 : 0);
}

std::string ReadWindowText(NameListState& s) {
  long hWnd = s.TextBox->hWnd();
  Environment& env = Env();
  long n = env.GetWindowTextLengthA(hWnd);
  if (n <= 0) return std::string();
  std::string buffer(static_cast<size_t>(n) + 1, ' ');
  env.GetWindowTextA(hWnd, buffer, n + 1);
  return std::string(TrimSpaces(SharedTextHelper()->BufferText(buffer, n)));
}

std::string Quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\'':
        out += "''";
        break;
      case '*':
      case '%':
      case '[':
        out += '[';
        out += c;
        out += ']';
        break;
      default:
        out += c;
    }
  }
  return out;
}

void ShowRowsOnRequest(NameListState& s, const RecordsetPtr& records, long list_style,
                       bool move_first) {
  NameListDataPtr data = s.MyNameList->ListData();
  if (move_first) records->MoveFirst();
  data->Cols(2);
  data->ListStyle(list_style);
  data->RowsOnRequest(-1);
  data->Rows(records->RecordCount());
  data.reset();
  s.ListRecords = records;
  s.NameListData(s.MyNameList->ListData());
}

void CopyRows(NameListState& s, Recordset& rs, const CopiedLayout& layout) {
  NameListDataPtr data = s.MyNameList->ListData();
  rs.MoveFirst();
  data->Cols(layout.cols);
  data->ListStyle(1);
  if (layout.rows_on_request) data->RowsOnRequest(*layout.rows_on_request);
  long rows = rs.RecordCount();
  data->Rows(rows);
  for (long i = 1; i <= rows; ++i) {
    for (const auto& [col, field] : layout.cells) data->CellText(i, col, rs.Fields(field).ToDisplayText());
    data->RowPicture(i, s.PicDefault);
    rs.MoveNext();
  }
}

void ShowNoMatch(const std::string& template_text, const std::string& typed) {
  std::string prompt = FormatText(template_text, {Variant(typed)});
  Env().MsgBox(prompt, vbOKOnly | vbInformation, LoadResString(kCaption));
}

}  // namespace glnamelist::flow

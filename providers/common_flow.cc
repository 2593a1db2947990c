#include "providers/common_flow.h"

#include "contracts/environment.h"
#include "contracts/text.h"
#include "services/library_services.h"

namespace glnamelist::flow {
namespace {

constexpr const char* kCaption = "澄枫提示";

std::string Escape(std::string_view text, bool wildcards) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\'') {
      out += "''";
    } else if (wildcards && (c == '*' || c == '%' || c == '[')) {
      out += '[';
      out += c;
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ReadEditText(NameListState& s, bool flag) {
  long hWnd = s.text_box->hWnd();
  return s.list_control->GetEditText(hWnd, flag ? -1 : 0);
}

std::string ReadWindowText(NameListState& s) {
  long hWnd = s.text_box->hWnd();
  Environment& env = Env();
  long n = env.GetWindowTextLengthA(hWnd);
  if (n <= 0) return std::string();
  std::string buffer(static_cast<size_t>(n) + 1, ' ');
  env.GetWindowTextA(hWnd, buffer, n + 1);
  return std::string(text::Trim(SharedTextHelper()->BufferText(buffer, n)));
}

std::string Quote(std::string_view text) { return Escape(text, /*wildcards=*/true); }

std::string DoubleQuotes(std::string_view text) { return Escape(text, /*wildcards=*/false); }

void CopyRows(NameListState& s, Recordset& rs, const CopiedLayout& layout) {
  NameListDataPtr data = s.list_control->ListData();
  rs.MoveFirst();
  data->Cols(layout.cols);
  data->ListStyle(1);
  if (layout.rows_on_request) data->RowsOnRequest(*layout.rows_on_request);
  long rows = rs.RecordCount();
  data->Rows(rows);
  for (long i = 1; i <= rows; ++i) {
    for (const auto& [col, field] : layout.cells)
      data->CellText(i, col, rs.Fields(field).ToDisplayText());
    data->RowPicture(i, s.pic_default);
    rs.MoveNext();
  }
}

void ShowNoMatch(const std::string& template_text, const std::string& typed) {
  std::string prompt = FormatText(template_text, {Variant(typed)});
  Env().MsgBox(prompt, vbOKOnly | vbInformation, LoadResString(kCaption));
}

}  // namespace glnamelist::flow

// Feeds arbitrary text to a record set's Filter and Sort. Every input must end in success
// or in a glnamelist::Error; a crash, a hang, a sanitizer report or another exception is a
// finding. After a refusal the view must be as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "contracts/error.h"
#include "recordset/table_builder.h"

namespace {

using glnamelist::RecordsetPtr;
using glnamelist::Variant;
using glnamelist::recordset::ColumnType;
using glnamelist::recordset::TableBuilder;

RecordsetPtr MakeTable(size_t rows) {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kBool},
                  {"F Rate", ColumnType::kDouble}});
  const char* names[] = {
      "现金", "Bank DEPOSIT",          "a*b%c[d]", "O'Brien", "ΣΟΦΙΑ", "ß", "", "银行存款 1001",
      "x''y", "\xF0\x9F\x98\x80 emoji"};
  for (size_t i = 0; i < rows; ++i) {
    Variant number = i % 17 == 0 ? Variant(glnamelist::Null{})
                                 : Variant(std::to_string(1000 + i % 50) + "." + std::to_string(i));
    Variant name = i % 13 == 0 ? Variant(glnamelist::Null{}) : Variant(names[i % 10]);
    b.AddRow({Variant(static_cast<long>(i)), number, name, Variant(i % 3 == 0),
              Variant(static_cast<double>(i) / 7)});
  }
  return b.Build();
}

void Check(bool ok) {
  if (!ok) std::abort();
}

void Run(glnamelist::Recordset& rs, int mode, const std::string& text) {
  std::string old_filter = rs.Filter();
  std::string old_sort = rs.Sort();
  long old_count = rs.RecordCount();
  try {
    switch (mode) {
      case 0:
        rs.Filter(text);
        break;
      case 1:
        rs.Sort(text);
        break;
      case 2:
        rs.Filter("FName like '" + text + "'");
        break;
      default:
        rs.Filter("FNumber like '" + text + "%' or FName like '%" + text + "%'");
        break;
    }
  } catch (const glnamelist::Error& e) {
    Check(e.Number() == 3001 || e.Number() == 3265);
    Check(rs.Filter() == old_filter && rs.Sort() == old_sort && rs.RecordCount() == old_count);
    return;
  }
  long count = rs.RecordCount();
  Check(count >= 0 && rs.IsEOF() == (count == 0));
  for (long i = 0; i < count && i < 50; ++i) {
    rs.Fields("FName");
    rs.Fields("fnumber");
    rs.MoveNext();
  }
  if (count > 0) {
    rs.AbsolutePosition(count);
    Check(rs.AbsolutePosition() == count);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static RecordsetPtr small = MakeTable(40);
  static RecordsetPtr large = MakeTable(5000);  // past the size where indexes are used
  if (size == 0) return 0;
  int mode = data[0] & 3;
  glnamelist::Recordset& rs = (data[0] & 4) ? *large : *small;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  Run(rs, mode, text);
  return 0;
}

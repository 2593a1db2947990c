// A host on a toolkit of its own, the smallest there is: its list control "paints" by
// printing the rows it shows. Everything else a list control does (the keys of its box,
// the selection, choosing a row, SelChanged) comes with listkit::NameListBase.
//
//   print_toolkit LEDGER      F8 in a box holding 1002, then Down and Enter
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "contracts/prog_ids.h"
#include "contracts/virtual_keys.h"
#include "ledger/register_ledger.h"
#include "listkit/list_control_base.h"
#include "platform/register_platform.h"
#include "services/library_services.h"

namespace gl = glnamelist;
using gl::listkit::NameListBase;

// The toolkit's form: a chosen row's code goes into its box.
class PrintedForm : public gl::listkit::ListForm {
 public:
  void RowChosen(NameListBase&, long hWnd, long, const std::string& code) override {
    gl::platform::SetWindowText(hWnd, code);
  }
  void ChoiceEnded(NameListBase&, long) override {}
  void ListShown(NameListBase&) override {}
  void ListHidden(NameListBase&) override { std::puts("(closed)"); }
  void ReportError(const std::string& message) override {
    std::fprintf(stderr, "%s\n", message.c_str());
  }
};

// The toolkit's list control: a page of ten rows, the selected one marked with ">".
class PrintedList : public NameListBase {
 public:
  using NameListBase::NameListBase;

 protected:
  long PageRows() const override { return 10; }
  void OnShow(bool) override { Print(); }
  void OnHide() override {}
  void OnSelect() override { Print(); }

 private:
  void Print() {
    long first = std::max(1L, Selection() - PageRows() + 1);
    long last = std::min(Rows().Rows(), first + PageRows() - 1);
    std::printf("%s: %s\n", Found() ? gl::listkit::kFoundTitle : "list",
                gl::listkit::PositionText(Selection(), Rows().Rows()).c_str());
    for (long r = first; r <= last; ++r) {
      const gl::listkit::ListRows::Row& row = MutableRows().Fetch(r);  // asks for it
      std::printf("%s", r == Selection() ? "> " : "  ");
      for (int col : Rows().ShownColumns()) std::printf("%-12s", row.cells[col].c_str());
      std::printf("\n");
    }
  }
};

int main(int argc, char** argv) {
  if (argc != 2) return std::fputs("usage: print_toolkit LEDGER\n", stderr), 2;
  int status = 0;
  try {
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(argv[1]);
    auto form = std::make_shared<PrintedForm>();
    gl::platform::PlatformClasses().Register(gl::progid::kNameList, [form]() -> gl::ObjectPtr {
      return std::make_shared<PrintedList>(form);
    });
    gl::TextBoxPtr box = gl::platform::CreateTextBox("1002");
    auto account = std::make_shared<gl::GLNameList>();
    account->Attach(box, gl::nlAccount);
    // F8's list has no current row: Down to the first, Down to the second, Enter takes it.
    for (long key : {gl::VK_F8, gl::VK_DOWN, gl::VK_DOWN, gl::VK_RETURN}) {
      gl::platform::SendMessage(box->hWnd(), gl::WM_KEYDOWN, key, 0);
    }
    std::printf("box: %s\n", gl::platform::WindowText(box->hWnd()).c_str());
    account->Detach();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "print_toolkit: %s\n", e.what());
    status = 1;
  }
  // The ledger's data service goes first, its background work stopped, while everything it
  // uses still stands.
  gl::ResetLibraryServices();
  gl::SetEnv(nullptr);
  return status;
}

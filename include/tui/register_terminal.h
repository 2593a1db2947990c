// The terminal for a host: name lists that drop down under the host's own boxes on a
// character screen, and message boxes drawn there as dialogs.
//
//   std::setlocale(LC_ALL, "");                         // wide characters: a UTF-8 locale
//   glnamelist::platform::InstallPlatform();
//   glnamelist::ledger::RegisterLedger(path);
//   glnamelist::tui::CursesScreen screen;               // starts curses
//   auto form = std::make_shared<glnamelist::tui::BoxForm>();
//   glnamelist::tui::RegisterTerminalControls(places, form, &screen, repaint);
//   glnamelist::TextBoxPtr box = glnamelist::platform::CreateTextBox();
//   account->Attach(box, glnamelist::nlAccount);
//   for (;;) {
//     ...draw the host's boxes on screen...
//     if (auto* list = form->Shown()) list->Paint(screen);  // the list over them
//     screen.Refresh();
//     ...read a key (screen.ReadKey()), send it to the focused box's window
//        (platform::SendMessage: characters as WM_CHAR, other keys as WM_KEYDOWN)...
//   }
//   glnamelist::tui::UnregisterTerminalControls();
//
// The subclassing object that hooks the boxes is the platform's own.
#ifndef GLNAMELIST_TUI_REGISTER_TERMINAL_H_
#define GLNAMELIST_TUI_REGISTER_TERMINAL_H_

#include <functional>
#include <memory>
#include <string>

#include "contracts/api.h"
#include "listkit/list_control_base.h"
#include "tui/curses_screen.h"
#include "tui/terminal_name_list.h"

namespace glnamelist::tui {

// Registers, with the installed platform environment, the terminal list control under
// progid::kNameList: each list serves form while its owner keeps it, and is placed where
// host says its box stands. With a screen, a dialog drawn on it (over what repaint draws)
// becomes the message box; without one, the message box stays as it was. Error 429 while
// no platform environment is installed. host and screen must outlive the registration.
GLNAMELIST_API void RegisterTerminalControls(std::shared_ptr<ListHost> host,
                                             std::weak_ptr<listkit::ListForm> form,
                                             CursesScreen* screen = nullptr,
                                             std::function<void()> repaint = {});

// Takes back the list control and the message box of RegisterTerminalControls (the message
// box writes to standard error again). Nothing happens while no platform environment is
// installed.
GLNAMELIST_API void UnregisterTerminalControls();

// The form of a terminal host that has none of its own: a chosen row's code goes into the
// owner box's window, one list is shown at a time, and an error raised inside a list
// (while it asks for its rows) waits in TakeError for the host to show.
class GLNAMELIST_API BoxForm : public listkit::ListForm {
 public:
  // The list shown, nullptr when none is: the host draws it over its screen.
  TerminalNameList* Shown() const { return shown_; }
  // The last error raised inside a list since the last call, or the empty text.
  std::string TakeError();

  void RowChosen(listkit::NameListBase& list, long hWnd, long row,
                 const std::string& code) override;
  void ChoiceEnded(listkit::NameListBase&, long) override {}
  void ListShown(listkit::NameListBase& list) override;
  void ListHidden(listkit::NameListBase& list) override;
  void ReportError(const std::string& message) override { error_ = message; }

 private:
  TerminalNameList* shown_ = nullptr;
  std::string error_;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_REGISTER_TERMINAL_H_

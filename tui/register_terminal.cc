#include "tui/register_terminal.h"

#include <utility>

#include "contracts/prog_ids.h"
#include "platform/environment.h"
#include "platform/register_platform.h"
#include "tui/curses_message_box.h"
#include "tui/terminal_controls.h"

namespace glnamelist::tui {

void RegisterTerminalControls(std::shared_ptr<ListHost> host, std::weak_ptr<listkit::ListForm> form,
                              CursesScreen* screen, std::function<void()> repaint) {
  std::shared_ptr<platform::MessageBoxPresenter> dialog;
  if (screen) dialog = std::make_shared<CursesMessageBox>(*screen, std::move(repaint));
  RegisterTerminalControls(*platform::InstalledPlatformEnvironment(), std::move(form),
                           std::move(host), std::move(dialog));
}

void UnregisterTerminalControls() {
  std::shared_ptr<Environment> installed = InstalledEnv();
  auto* env = dynamic_cast<platform::PlatformEnvironment*>(installed.get());
  if (!env) return;
  env->SetMessageBox(nullptr);
  env->Registry().Unregister(progid::kNameList);
}

std::string BoxForm::TakeError() { return std::exchange(error_, std::string()); }

void BoxForm::RowChosen(listkit::NameListBase& /*list*/, long hWnd, long /*row*/,
                        const std::string& code) {
  platform::SetWindowText(hWnd, code);
}

void BoxForm::ListShown(listkit::NameListBase& list) {
  TerminalNameList* other = shown_;
  shown_ = dynamic_cast<TerminalNameList*>(&list);
  if (other && other != shown_) other->HideList();
}

void BoxForm::ListHidden(listkit::NameListBase& list) {
  if (shown_ == &list) shown_ = nullptr;
}

}  // namespace glnamelist::tui

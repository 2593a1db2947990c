#include "tui/terminal_controls.h"

#include "contracts/prog_ids.h"

namespace glnamelist::tui {

void RegisterTerminalControls(platform::PlatformEnvironment& env,
                              std::weak_ptr<listkit::ListForm> form, std::shared_ptr<ListHost> host,
                              std::shared_ptr<platform::MessageBoxPresenter> presenter) {
  env.Registry().Register(progid::kNameList, [form, host]() -> ObjectPtr {
    return std::make_shared<TerminalNameList>(form, host);
  });
  if (presenter) env.SetMessageBox(std::move(presenter));
}

}  // namespace glnamelist::tui

// Registers the terminal's outside objects with a platform environment.
#ifndef GLNAMELIST_TUI_TERMINAL_CONTROLS_H_
#define GLNAMELIST_TUI_TERMINAL_CONTROLS_H_

#include <memory>

#include "platform/environment.h"
#include "tui/terminal_name_list.h"

namespace glnamelist::tui {

// Registers the terminal list control under progid::kNameList (each list serves form and
// draws through host) and installs presenter as the message box (kept unchanged when it is
// null). The subclassing object is the platform's, registered with the standard classes.
void RegisterTerminalControls(platform::PlatformEnvironment& env,
                              std::weak_ptr<listkit::ListForm> form, std::shared_ptr<ListHost> host,
                              std::shared_ptr<platform::MessageBoxPresenter> presenter);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_TERMINAL_CONTROLS_H_

// What a host needs of the platform: the environment the component runs on, the class
// registry for the host's own classes, text boxes over the platform's windows, and the
// message box.
//
//   glnamelist::platform::InstallPlatform();
//   glnamelist::platform::PlatformClasses().Register(progid::kNameList, MakeListControl);
//   TextBoxPtr box = glnamelist::platform::CreateTextBox();
//   list->Attach(box, nlAccount);
//   glnamelist::platform::SendMessage(box->hWnd(), WM_KEYDOWN, VK_F8, 0);  // F8 pressed
//
// Everything but InstallPlatform works on the installed platform environment and raises
// Error 429 while none is installed (or the installed environment is another one).
#ifndef GLNAMELIST_PLATFORM_REGISTER_PLATFORM_H_
#define GLNAMELIST_PLATFORM_REGISTER_PLATFORM_H_

#include <functional>
#include <string>

#include "contracts/api.h"
#include "contracts/class_registrar.h"
#include "contracts/environment.h"
#include "contracts/font.h"
#include "contracts/text_box.h"

namespace glnamelist::platform {

// Creates the platform environment, installs it with SetEnv in place of the one installed
// before, and returns it. It comes with the classes of the stream, the record set, the
// keyed collection, the string helper and the subclassing object (over the platform's
// windows); its message box writes to standard error until SetMessageBox.
GLNAMELIST_API Environment& InstallPlatform();

// The class registry of the installed platform environment, where the host registers the
// list control and the data service (ledger/register_ledger.h does the latter). It lives
// as long as that environment.
GLNAMELIST_API ClassRegistrar& PlatformClasses();

// A text box over a new window holding text (the caret at its end), enabled and editable,
// whose Font() is font. The window is destroyed when the last reference to the box goes.
GLNAMELIST_API TextBoxPtr CreateTextBox(const std::string& text = "", FontPtr font = nullptr);

// The host's side of the windows. Text is UTF-8; an unknown window raises Error 5.
GLNAMELIST_API std::string WindowText(long hWnd);
GLNAMELIST_API void SetWindowText(long hWnd, const std::string& text);  // the caret to its end
// Sends WM_KILLFOCUS to the window that had the focus, then WM_SETFOCUS to hWnd.
GLNAMELIST_API void SetFocus(long hWnd);
// Delivers a message (contracts/virtual_keys.h) through the window's subclass chain, so an
// attached name list sees it first, and returns its result (0 for an unknown window). A
// typed character is WM_CHAR with its code point; any other key WM_KEYDOWN with its
// virtual-key code.
GLNAMELIST_API long SendMessage(long hWnd, long msg, long wParam, long lParam);

// Shows a message box: show(text, style, caption) returns the button pressed (1 = OK).
using MessageBoxFunction =
    std::function<long(const std::string& text, long style, const std::string& caption)>;
// Makes show the message box of the installed platform environment; an empty function
// restores the one that writes to standard error.
GLNAMELIST_API void SetMessageBox(MessageBoxFunction show);

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_REGISTER_PLATFORM_H_

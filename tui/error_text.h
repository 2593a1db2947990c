// How the terminal shows an error: its number (for a glnamelist::Error) and description.
#ifndef GLNAMELIST_TUI_ERROR_TEXT_H_
#define GLNAMELIST_TUI_ERROR_TEXT_H_

#include <exception>
#include <string>

namespace glnamelist::tui {

std::string ErrorText(const std::exception& e);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_ERROR_TEXT_H_

// How a list control or a form shows an error to a person: its number (for a
// glnamelist::Error) and its description.
#ifndef GLNAMELIST_LISTKIT_ERROR_TEXT_H_
#define GLNAMELIST_LISTKIT_ERROR_TEXT_H_

#include <exception>
#include <string>

#include "contracts/api.h"

namespace glnamelist::listkit {

// "错误 <number>: <description>" for a glnamelist::Error, "错误: <what>" for any other.
GLNAMELIST_API std::string ErrorText(const std::exception& e);

}  // namespace glnamelist::listkit

#endif  // GLNAMELIST_LISTKIT_ERROR_TEXT_H_

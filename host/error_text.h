// How a form shows an error: its number (for a glnamelist::Error) and description;
// and, in the form's language, why a ledger cannot be opened.
#ifndef GLNAMELIST_HOST_ERROR_TEXT_H_
#define GLNAMELIST_HOST_ERROR_TEXT_H_

#include <exception>
#include <string>

namespace glnamelist::host {

std::string ErrorText(const std::exception& e);

// "无法打开账套 <path>：<cause>", the cause worded for a bookkeeper: what the file system
// says of the file itself (missing, a directory, unreadable, empty), else what opening it
// as a ledger ran into (not a ledger, damaged or cut short, another schema version), e
// being the error that opening raised.
std::string LedgerErrorText(const std::string& path, const std::exception& e);

}  // namespace glnamelist::host

#endif  // GLNAMELIST_HOST_ERROR_TEXT_H_

// Why a ledger cannot be opened, in the form's language.
#ifndef GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_
#define GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_

#include <exception>
#include <string>

namespace glnamelist::voucher {

// "无法打开账套 <path>：<cause>", the cause worded for a bookkeeper: what the file system
// says of the file itself (missing, a directory, unreadable, empty), else what opening it
// as a ledger ran into (not a ledger, damaged or cut short, another schema version), e
// being the error that opening raised.
std::string LedgerErrorText(const std::string& path, const std::exception& e);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_

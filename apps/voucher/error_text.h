// Why a ledger cannot be opened or read, in the form's language, with the database's own
// words beside.
#ifndef GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_
#define GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_

#include <exception>
#include <string>

namespace glnamelist::voucher {

// The one line a form prints when the ledger's address on its command line holds a password.
inline constexpr const char* kPasswordWarning =
    "注意：命令行里的密码，这台电脑的每个用户都能用 ps 看到；请把密码放进 ~/.pgpass "
    "或环境变量 PGPASSWORD";

// "无法打开账套 <shown>：<cause>", the cause worded for a bookkeeper from the ledger's fault
// (ledger::LedgerError): of a file (missing, a directory, unreadable, empty, not a ledger,
// damaged or cut short, another schema version) or of a server (the user or password
// refused, no such database, the server unreachable, no ledger there), with what the
// database itself said in brackets. e is the error that opening raised.
std::string LedgerErrorText(const std::string& shown, const std::exception& e);

// An error met while the form is in use, for its status line: a ledger's fault in words
// (the connection lost, the server not answering, the file locked, ...) with the database's
// own words in brackets, and "按任意键重试" for the faults that pass; any other error as
// listkit::ErrorText words it.
std::string FaultText(const std::exception& e);

// A save whose outcome is not known (its commit's answer lost), for the status line: the
// fault in words, and that F5 finds out without storing the voucher twice.
std::string UnsettledText(const std::exception& e);

// True when e is a ledger's fault that passes (ledger::Passing): the ledger cannot be
// reached or is locked for now.
bool Unreachable(const std::exception& e);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_ERROR_TEXT_H_

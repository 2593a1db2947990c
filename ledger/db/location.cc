#include "ledger/db/location.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>

namespace glnamelist::ledger {
namespace {

// The password written in a connection string (URI user info, a password parameter or
// keyword), as written there; empty when there is none.
std::string PasswordIn(const std::string& conninfo) {
  static const std::regex uri_password(R"(^[a-z]+://[^:/@?]*:([^@/?]*)@)");
  static const std::regex keyword_password(
      R"((?:^|[\s?&])password\s*=\s*('(?:[^'\\]|\\.)*'|[^\s&]*))");
  std::smatch match;
  if (std::regex_search(conninfo, match, uri_password) && match[1].length() > 0) {
    return match[1];
  }
  if (std::regex_search(conninfo, match, keyword_password)) return match[1];
  return {};
}

// A server's database as postgresql://user@host:port/dbname from the options of conninfo
// (a URI or keywords, as libpq reads them); empty when libpq cannot read it.
std::string ServerNameOf(const std::string& conninfo) {
  char* wrong = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &wrong);
  PQfreemem(wrong);
  if (!options) return {};
  std::map<std::string, std::string> given;
  for (PQconninfoOption* option = options; option->keyword; ++option) {
    if (option->val) given[option->keyword] = option->val;
  }
  PQconninfoFree(options);
  std::string host;
  for (char c : given["host"]) host += c == '/' ? std::string("%2F") : std::string(1, c);
  const std::string& port = given["port"];
  return "postgresql://" + given["user"] + "@" + host + (port.empty() ? "" : ":" + port) + "/" +
         given["dbname"];
}

}  // namespace

bool IsServerLocation(std::string_view location) {
  if (location.starts_with("postgresql://") || location.starts_with("postgres://")) return true;
  // libpq's keyword form starts with a keyword and "=" (host=..., dbname=...).
  size_t at = 0;
  while (at < location.size() && std::isspace(static_cast<unsigned char>(location[at]))) ++at;
  size_t word = at;
  while (at < location.size() &&
         (std::islower(static_cast<unsigned char>(location[at])) || location[at] == '_')) {
    ++at;
  }
  while (at < location.size() && location[at] == ' ') ++at;
  return at > word && at < location.size() && location[at] == '=';
}

Location::Location(std::string text) : text_(std::move(text)) {
  on_server_ = IsServerLocation(text_);
  if (on_server_) {
    password_ = PasswordIn(text_);
    name_ = ServerNameOf(text_);
    if (name_.empty()) name_ = Shown();  // not readable: it fails to connect, as it is
    return;
  }
  std::error_code error;
  name_ = std::filesystem::absolute(text_, error).lexically_normal().string();
  if (name_.empty()) name_ = text_;
}

std::string Location::Masked(std::string text) const {
  if (password_.empty()) return text;
  for (size_t at; (at = text.find(password_)) != std::string::npos;) {
    text.replace(at, password_.size(), "***");
  }
  return text;
}

std::string Location::Key() const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
  for (unsigned char c : name_) hash = (hash ^ c) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

void Location::HidePasswordIn(char* argument) {
  const Location location(argument);
  const std::string& password = location.password_;
  if (password.empty()) return;
  const std::string text = argument;
  for (size_t at = 0; (at = text.find(password, at)) != std::string::npos; at += password.size()) {
    std::memset(argument + at, '*', password.size());
  }
}

}  // namespace glnamelist::ledger

// Where a ledger is, in one place: a file's path, or a database on a PostgreSQL server given
// by a connection string (a URI postgresql://user@host/dbname, or libpq's keyword form
// host=... dbname=...). Parses the text once; shows it without its password; names the
// ledger the same way whatever the spelling (which two locations compare by); and keys it
// with a hash that every build of this program computes alike (the snapshot cache's names).
#ifndef GLNAMELIST_LEDGER_DB_LOCATION_H_
#define GLNAMELIST_LEDGER_DB_LOCATION_H_

#include <string>
#include <string_view>

#include "contracts/api.h"

namespace glnamelist::ledger {

class GLNAMELIST_INTERNAL Location {
 public:
  explicit Location(std::string text);

  // As given: what connects, the password with it.
  const std::string& text() const { return text_; }
  // True for a connection string, false for a file path.
  bool OnServer() const { return on_server_; }
  // True when the connection string holds a password, which every local user can read in
  // the process list when it is given on a command line.
  bool HasPassword() const { return !password_.empty(); }
  // As a person may see it: the text with its password written as "***".
  std::string Shown() const { return Masked(text_); }
  // Any text (a server's message) with this location's password written as "***".
  std::string Masked(std::string text) const;
  // The ledger's name whatever the spelling: a file's absolute, normal path; a server's
  // postgresql://user@host:port/dbname, without password or options.
  const std::string& Name() const { return name_; }
  // Sixteen hex digits of a 64-bit FNV-1a hash of Name: the same in every build.
  std::string Key() const;

  bool operator==(const Location& other) const { return name_ == other.name_; }

  // Overwrites the password in a program's argument (argv[i]) with '*', so that the process
  // list shows it no longer (it did for the moment before).
  static void HidePasswordIn(char* argument);

 private:
  std::string text_;
  bool on_server_ = false;
  std::string password_;  // as written in text_
  std::string name_;
};

// True when location is a connection string rather than a file path.
GLNAMELIST_INTERNAL bool IsServerLocation(std::string_view location);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_DB_LOCATION_H_

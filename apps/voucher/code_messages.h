// What the voucher form's status line says of the code in a box: when the person leaves it
// holding a code that is not there (or a non-detail account), and after a listing key, why
// nothing was listed or that an unknown code lists everything.
#ifndef GLNAMELIST_APPS_VOUCHER_CODE_MESSAGES_H_
#define GLNAMELIST_APPS_VOUCHER_CODE_MESSAGES_H_

#include <string>

#include "apps/voucher/entry_names.h"

namespace glnamelist::voucher {

// What the status line calls the entries of a list kind ("科目", "币别", ...).
std::string EntryWord(long kind);

// code as a message quotes it: whole up to 24 characters, else its first and last ten
// characters with "…" between them.
std::string QuotedCode(const std::string& code);

// The complaint about a box of kind holding code (trimmed, without a trailing point) whose
// entry is entry, when the person leaves the box; empty when there is none.
std::string LeavingComplaint(long kind, const std::string& code, const NamedEntry& entry);

// The facts of a listing key (F8, or a point that lists) in a box.
struct ListingOutcome {
  long kind = 0;
  std::string code;           // trimmed, without a trailing point
  bool point = false;         // the box's text ended with a point
  NamedEntry entry;           // of code
  bool parent_chosen = true;  // items and SubMes entries: a class; units: a group
  bool listed = false;        // the box's list is shown
  bool lists_all = false;     // it shows every entry of the kind (of the class)
};

struct Hint {
  std::string text;    // empty: the outcome speaks for itself
  bool error = false;  // it reports a code that is not there
};

// What the status line says after a listing key.
Hint ListingHint(const ListingOutcome& outcome);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_CODE_MESSAGES_H_

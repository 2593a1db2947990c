// The entries the voucher form's boxes name, looked up in the data service: the name shown
// beside a box, whether its code is known, whether an account or item is a detail entry,
// and the id of a unit group or item class. The form looks in clones of the service's
// record sets, so its filters never reach the lists' own copies; they, and the full names of
// the accounts, are read once (the form makes new EntryNames when master data changes).
#ifndef GLNAMELIST_APPS_VOUCHER_ENTRY_NAMES_H_
#define GLNAMELIST_APPS_VOUCHER_ENTRY_NAMES_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "contracts/data_service.h"

namespace glnamelist::voucher {

struct NamedEntry {
  bool known = false;
  bool detail = true;  // accounts, items and SubMes entries: a detail (leaf) entry
  long id = 0;
  std::string name;  // accounts: the full name, from the top-level account down
  // Accounts, as the voucher store reads them: the codes of what it is kept by (voucher.h's
  // KeptBy, in its words); the lists' sets do not hold them.
  std::string item_class;
  std::string currency;
  bool quantity = false;
  std::string unit;
  // Explanations: the text the code stands for.
  std::string text;
};

class EntryNames {
 public:
  // The entry of list kind `kind` whose code is `code` (items and SubMes entries of class
  // class_id, units of group group_id); an explanation's text by its code. Errors of the
  // data service reach the caller.
  NamedEntry Look(long kind, const std::string& code, long class_id, long group_id);

  // The code of the unit group shown as row `nth` (0-based) of the groups named `name`;
  // rows of one name come in code order in every list of groups. Empty when there is none.
  std::string UnitGroupCode(const std::string& name, long nth);

  // The codes of the detail accounts whose helper code (pinyin initials) is helper, in
  // any case ("yhck" as "YHCK"), in code order.
  std::vector<std::string> AccountsByHelperCode(const std::string& helper);

  // How many entries of list kind `kind` there are (items and SubMes entries of class
  // class_id); 0 for kinds without a record set of their own (units, explanations).
  long Count(long kind, long class_id);

 private:
  // This form's clone of a record set, made the first time it is asked for under key.
  Recordset* Records(long key, const std::function<RecordsetPtr()>& fetch);
  // The clone of the records of kind (of class class_id); nullptr for none.
  Recordset* RecordsOfKind(long kind, long class_id);

  std::map<long, RecordsetPtr> records_;
  std::map<long, std::string> full_names_;  // of accounts, by id, once read
  std::map<long, ItemSetPtr> item_sets_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_ENTRY_NAMES_H_

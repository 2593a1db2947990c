// Reading a set from the ledger: whole, or as a new version of one read before, made of the
// rows the change log names since (the old version's rows and structures shared).
#ifndef GLNAMELIST_LEDGER_SERVICE_SET_READS_H_
#define GLNAMELIST_LEDGER_SERVICE_SET_READS_H_

#include <cstdint>
#include <map>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/db/ledger_db.h"
#include "ledger/service/set_catalogue.h"

namespace glnamelist::ledger {

// A set as read from the ledger, or made from one by the changes logged up to seq.
struct SetVersion {
  RecordsetPtr rs;
  int64_t seq = 0;
};

// A version made of more rows of its own than this is copied into a table of its own.
inline constexpr size_t kCompactAbove = 4096;

// Every row of the set, in code order.
RecordsetPtr ReadWhole(LedgerDb& db, const SetKey& key);

// The sets among `known` that a change touches (a change of a whole table, or of a row whose
// class the log does not tell, touches the set of every class).
std::vector<SetKey> SetsTouched(const MasterChange& change,
                                const std::map<SetKey, SetVersion>& known);

// The set after its changes (all logged after old.seq up to last), with its look-up
// structures built; a set of which many rows changed is read again.
RecordsetPtr Patched(LedgerDb& db, const SetKey& key, const SetVersion& old,
                     const std::vector<const MasterChange*>& changes, int64_t last);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_SET_READS_H_

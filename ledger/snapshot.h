// A prepared snapshot of a ledger's master data: the record sets the data service reads,
// with their look-up structures, in one file that is mapped into memory and used where it
// lies. It is a cache, never the truth: it is used only when it was made from the same
// ledger (identity) at the same version, and its bytes are the ones written (a checksum);
// otherwise it is ignored and made again.
//
//   header (64 bytes): "GLSNAP01", file size, checksum of the bytes after the header,
//   offset of the directory; the table images; the directory: the ledger's identity and
//   version, then each set's name and the offset of its image (texts as in a table image).
//
// A file ledger's snapshot lies beside it (PATH.snapshot), or in the user's cache folder
// when that cannot be written; a server ledger's lies in the cache folder, named by the
// server, database and ledger. The cache folder is $XDG_CACHE_HOME/glnamelist, or
// ~/.cache/glnamelist.
#ifndef GLNAMELIST_LEDGER_SNAPSHOT_H_
#define GLNAMELIST_LEDGER_SNAPSHOT_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/ledger_db.h"
#include "recordset/table.h"

namespace glnamelist::ledger {

// The places a ledger's snapshot is looked for and written to, in that order.
std::vector<std::string> SnapshotPlaces(const std::string& location, const LedgerStamp& stamp);

// The sets of the first snapshot at places that is whole and made from the ledger of this
// stamp; nothing when there is none. A snapshot that is not is left where it is.
std::optional<std::map<std::string, RecordsetPtr>> OpenSnapshot(
    const std::vector<std::string>& places, const LedgerStamp& stamp);

struct SnapshotSet {
  std::string name;
  RecordsetPtr records;
  recordset::LookupColumns lookups;  // built first if need be
};

// Writes a snapshot of sets to the first of places that can be written (through a file of
// its own renamed into place); returns the path written, or empty when none could be.
std::string WriteSnapshot(const std::vector<std::string>& places, const LedgerStamp& stamp,
                          const std::vector<SnapshotSet>& sets);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SNAPSHOT_H_

// A prepared snapshot of a ledger's master data: the record sets the data service reads,
// with their look-up structures, in one file that is mapped into memory and used where it
// lies. It is a cache, never the truth: it is used only when it was made from the same
// ledger (identity) at its version or an earlier one whose changes since the ledger's log
// holds (the data service brings it up to date), and a set of it only once its bytes are
// the ones written (a checksum per set); otherwise the set is read from the ledger and the snapshot
// made again.
//
//   header (64 bytes): "GLSNAP03", file size, offset, size and checksum of the directory;
//   the table images, one per set, each at a multiple of 64 bytes; the directory: the
//   ledger's identity and version, then each set's name and the offset, size and checksum
//   of its image (numbers little-endian, texts as in a table image).
//
// Opening one reads its header and directory only, so that finding out whether it matches
// the ledger costs a few small reads; each set's bytes are checked when the set is taken,
// read through the page cache rather than the mapping, so that only the pages a form uses
// become part of it.
//
// A file ledger's snapshot lies beside it (PATH.snapshot), or in the user's cache folder
// when that cannot be written; a server ledger's lies in the cache folder, named by the
// ledger's location (its password left out), so that it is found while the connection to the
// server is still being made. The cache folder is $XDG_CACHE_HOME/glnamelist, or
// ~/.cache/glnamelist.
#ifndef GLNAMELIST_LEDGER_SNAPSHOT_H_
#define GLNAMELIST_LEDGER_SNAPSHOT_H_

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/recordset.h"
#include "ledger/db/ledger_db.h"
#include "recordset/table_builder.h"

namespace glnamelist::ledger {

// The places the snapshot of the ledger at location is looked for and written to, in that
// order: beside a file, and in the cache folder under the location's Key (Location), which
// every build of this program computes alike.
std::vector<std::string> SnapshotPlaces(const std::string& location);

class Snapshot {
 public:
  // The first snapshot at places whose header and directory are whole; null when there is
  // none. One that is not is left where it is.
  static std::shared_ptr<const Snapshot> Open(const std::vector<std::string>& places);
  ~Snapshot();
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  const std::string& path() const { return path_; }
  // The stamp of the ledger it was made from.
  const LedgerStamp& made_from() const { return made_from_; }
  bool Has(const std::string& name) const { return sets_.contains(name); }
  // The set, read where it lies, once its bytes hold their checksum (checked the first time
  // only); null when they do not, or when there is no such set. May be called on any thread.
  RecordsetPtr Take(const std::string& name) const;

 private:
  struct Section {
    uint64_t offset, size, checksum;
  };
  Snapshot(std::string path, int fd, std::shared_ptr<const void> mapped, LedgerStamp made_from,
           std::map<std::string, Section> sets);
  // The set in section when its bytes hold their checksum, else null.
  RecordsetPtr Read(const Section& section) const;

  std::string path_;
  int fd_;
  std::shared_ptr<const void> mapped_;
  LedgerStamp made_from_;
  std::map<std::string, Section> sets_;
  mutable std::mutex taken_mutex_;
  mutable std::map<std::string, std::shared_future<RecordsetPtr>> taken_;  // null: damaged
};

struct SnapshotSet {
  std::string name;
  RecordsetPtr records;
  recordset::LookupColumns lookups;  // built first if need be
};

// Writes a snapshot of sets to the first of places that can be written (through a file of
// its own renamed into place, which a writer that is stopped removes and the next writer
// removes when its process was killed); returns the path written, or empty when none could
// be or once stop was set.
std::string WriteSnapshot(const std::vector<std::string>& places, const LedgerStamp& stamp,
                          const std::vector<SnapshotSet>& sets, const std::atomic<bool>& stop);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SNAPSHOT_H_

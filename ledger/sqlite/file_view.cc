#include "ledger/sqlite/file_view.h"

#include <sqlite3.h>

#include <exception>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

void FileView::Enter() {
  if (db_.interrupted()) {
    throw ReadError(db_.path(), "cannot read", Fault::kStopped, "stopped: the program is closing");
  }
  if (depth_ == 0) {
    if (!version_) {  // prepared on first use: a read of the file that may find it is none
      begin_.emplace(db_, "BEGIN");
      end_.emplace(db_, "COMMIT");
      version_.emplace(db_, "PRAGMA data_version");
    }
    begin_->Run();
    try {
      CheckUnchanged();
    } catch (...) {
      version_->Reset();
      if (lineage_) lineage_->Reset();
      End();
      throw;
    }
  }
  ++depth_;
}

// The file read in this transaction is still the ledger the connection first read. A
// commit of another connection is let through when the ledger's id is the same and its
// change log went on from where it was (a voucher saved, master data changed, which the
// data service reads from the log); a file made of another ledger, or of this one as it
// was before (a copy put back in place), fails the read.
void FileView::CheckUnchanged() {
  int64_t version = 0;
  if (version_->Step()) version = version_->Int(0);
  version_->Reset();
  if (pinned_ == version) return;
  std::optional<Lineage> now = LineageNow();
  if (!pinned_) {
    pinned_ = version;
    pinned_lineage_ = now;
    return;
  }
  if (!now || !pinned_lineage_ || now->id != pinned_lineage_->id ||
      now->last_change < pinned_lineage_->last_change) {
    throw ReadError(db_.path(), "cannot read", Fault::kChanged,
                    "the ledger file was replaced by another program after it was opened");
  }
  pinned_ = version;
  pinned_lineage_ = now;
}

std::optional<FileView::Lineage> FileView::LineageNow() {
  if (!lineage_) {
    try {
      lineage_.emplace(db_,
                       "SELECT (SELECT value FROM meta WHERE key = 'ledger_id'), "
                       "(SELECT coalesce(max(seq), 0) FROM master_changes)");
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  std::optional<Lineage> now;
  if (lineage_->Step() && !lineage_->IsNull(0)) {
    now = Lineage{std::string(lineage_->Text(0)), lineage_->Int(1)};
  }
  lineage_->Reset();
  return now;
}

void FileView::Leave() {
  if (--depth_ == 0) End();
}

void FileView::End() noexcept {
  try {
    end_->Run();
  } catch (const std::exception&) {
    // A read-only transaction has nothing to lose: ended whatever COMMIT says.
    sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

}  // namespace glnamelist::ledger

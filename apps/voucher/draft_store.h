// The voucher being entered, kept on disk as it is typed, so that it survives the program's
// end, a closed terminal and a crash, and is offered again when a form next opens the same
// ledger. One draft per window, in the user's state folder: "<ledger>-<window>.draft", held
// by a lock on "<ledger>-<window>.lock" while its window lives; one set aside ends in
// ".aside".
#ifndef GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_
#define GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "apps/voucher/voucher.h"

namespace glnamelist::voucher {

class DraftStore {
 public:
  // $XDG_STATE_HOME/glnamelist/drafts, else ~/.local/state/glnamelist/drafts.
  static std::filesystem::path DefaultFolder();

  // This window's draft of the ledger at location (a file path or a server address; a
  // password in it plays no part) in folder: a file of its own, held by a lock (flock) while
  // the store lives, so that no other window offers it.
  explicit DraftStore(const std::string& location, std::filesystem::path folder = DefaultFolder());
  // The lock is let go; the lock's file goes too when no draft is kept.
  ~DraftStore();
  DraftStore(DraftStore&& other) noexcept;
  DraftStore& operator=(DraftStore&&) = delete;

  // Keeps voucher as this window's draft, in place of the one before: written beside it and
  // renamed over it, so that a crash leaves one or the other whole. With durable, it is on
  // the disk (fsync of the file and its folder) before Save returns. Error when it cannot be
  // written; the draft before stays.
  void Save(const Voucher& voucher, bool durable) const;
  // Forgets this window's draft, once its voucher is saved in the ledger or given up.
  void Discard() const;
  // This window's draft: nullopt when there is none.
  std::optional<Voucher> Load() const;

  // The next draft of the ledger whose window is gone (its lock free), among those set aside
  // with aside, skipping those answered since the last Offer with again (all of them with
  // again); held locked until it is answered (Take, Leave, SetAside, Delete). nullopt when
  // there is none. A draft that
  // cannot be read is moved aside (its name ends in ".damaged") and Error names both
  // files; the next Offer goes on after it.
  std::optional<Voucher> Offer(bool aside, bool again = false);
  // The draft offered becomes this window's own (its draft before, if any, goes).
  void Take();
  // The draft offered stays as it is: offered again at a later start.
  void Leave();
  // The draft offered is set aside: offered again only among those set aside.
  void SetAside();
  // The draft offered is deleted, once the person confirmed it.
  void Delete();

  const std::filesystem::path& path() const { return path_; }

 private:
  // An exclusive flock on a file, let go when it ends.
  class Lock {
   public:
    Lock() = default;
    explicit Lock(const std::filesystem::path& file, bool wait);
    Lock(Lock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Lock& operator=(Lock&& other) noexcept;
    ~Lock();
    bool held() const { return fd_ >= 0; }

   private:
    int fd_ = -1;
  };
  struct Offered {
    std::filesystem::path file;
    Lock lock;
  };
  static std::filesystem::path LockOf(const std::filesystem::path& draft);
  void Answered();

  std::filesystem::path folder_;
  std::string prefix_;          // "<ledger's hash>-": the names of the ledger's drafts
  std::filesystem::path path_;  // this window's draft
  Lock lock_;
  std::optional<Offered> offered_;
  std::vector<std::filesystem::path> answered_;
};

// A voucher as the text of a draft file, and back; Error for a text that is not one.
std::string DraftText(const Voucher& voucher);
Voucher ParseDraft(const std::string& text);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_

// The voucher being entered, kept on disk as it is typed, so that it survives the program's
// end, a closed terminal and a crash, and is offered again when the form next opens the
// same ledger. One draft per ledger and user, in the user's state folder.
#ifndef GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_
#define GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_

#include <filesystem>
#include <optional>
#include <string>

#include "apps/voucher/voucher.h"

namespace glnamelist::voucher {

class DraftStore {
 public:
  // $XDG_STATE_HOME/glnamelist/drafts, else ~/.local/state/glnamelist/drafts.
  static std::filesystem::path DefaultFolder();

  // The draft of the ledger at location (a file path or a server address; a password in it
  // plays no part) in folder.
  explicit DraftStore(const std::string& location, std::filesystem::path folder = DefaultFolder());

  // The draft kept, nullopt when there is none. A draft that cannot be read is moved aside
  // (its name ends in ".damaged") and Error names both files; the next Load finds none.
  std::optional<Voucher> Load() const;
  // Keeps voucher as the draft, in place of the one before: written beside it and renamed
  // over it, so that a crash leaves one or the other whole. With durable, it is on the
  // disk (fsync of the file and its folder) before Save returns. Error when it cannot be
  // written; the draft before stays.
  void Save(const Voucher& voucher, bool durable) const;
  // Forgets the draft, once its voucher is saved in the ledger or given up.
  void Discard() const;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A voucher as the text of a draft file, and back; Error for a text that is not one.
std::string DraftText(const Voucher& voucher);
Voucher ParseDraft(const std::string& text);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_DRAFT_STORE_H_

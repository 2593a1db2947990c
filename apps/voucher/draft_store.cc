#include "apps/voucher/draft_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "contracts/error.h"
#include "ledger/db/ledger_db.h"
#include "ledger/db/location.h"

namespace glnamelist::voucher {
namespace {

constexpr const char* kMagic = "glnamelist voucher draft 1";

[[noreturn]] void Refuse(const std::string& what) { throw Error(errc::kPathFileAccess, what); }

// A field with its tab, line break and backslash written as \t, \n and \\.
std::string Escaped(const std::string& field) {
  std::string out;
  for (char c : field) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\t') {
      fields.emplace_back();
    } else if (line[i] == '\\' && i + 1 < line.size()) {
      char c = line[++i];
      fields.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

long Number(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || n < 0) Refuse("not a number: " + text);
  return n;
}

// The ledger's stable key (its name however it is spelled, without a password) and "-".
std::string LedgerPrefix(const std::string& location) {
  return ledger::Location(location).Key() + "-";
}

void WriteAll(int fd, const std::string& text, const std::filesystem::path& path) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Refuse("Cannot write the draft " + path.string() + ": " + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
}

void SyncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

// The cells of a line in the drafts of forms before the line's figures.
constexpr size_t kOlderColumns = 7;

std::string DraftText(const Voucher& v) {
  std::ostringstream out;
  out << kMagic << "\n";
  out << "uid\t" << Escaped(v.uid) << "\n";
  out << "id\t" << v.id << "\nversion\t" << v.version << "\ndate\t" << Escaped(v.date) << "\nword\t"
      << Escaped(v.word) << "\nnumber\t" << v.number << "\nattachments\t" << v.attachments << "\n";
  if (!v.preparer.empty()) out << "preparer\t" << Escaped(v.preparer) << "\n";
  for (const VoucherLine& l : v.lines) {
    out << "line";
    for (const std::string& cell : l.cells) out << "\t" << Escaped(cell);
    out << "\n";
  }
  out << "end\n";
  return out.str();
}

Voucher ParseDraft(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kMagic) Refuse("not a voucher draft");
  Voucher v;
  v.lines.clear();
  bool ended = false;
  while (!ended && std::getline(in, line)) {
    std::vector<std::string> f = Fields(line);
    const std::string& key = f[0];
    if (key == "end" && f.size() == 1) {
      ended = true;
    } else if (key == "line" && f.size() >= kOlderColumns + 1 && f.size() <= kColumns + 1) {
      // A draft of an older form has fewer cells: the ones it has come first.
      VoucherLine l;
      for (size_t c = 1; c < f.size(); ++c) l.cells[c - 1] = f[c];
      v.lines.push_back(std::move(l));
    } else if (f.size() != 2) {
      Refuse("a line of the draft is cut or garbled: " + line);
    } else if (key == "uid") {
      v.uid = f[1];
    } else if (key == "id") {
      v.id = Number(f[1]);
    } else if (key == "version") {
      v.version = Number(f[1]);
    } else if (key == "date") {
      v.date = f[1];
    } else if (key == "preparer") {
      v.preparer = f[1];
    } else if (key == "word") {
      v.word = f[1];
    } else if (key == "number") {
      v.number = Number(f[1]);
    } else if (key == "attachments") {
      v.attachments = Number(f[1]);
    } else {
      Refuse("unknown line in the draft: " + line);
    }
  }
  if (!ended) Refuse("the draft is cut short");
  return v;
}

std::filesystem::path DraftStore::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state) return std::filesystem::path(state) / "glnamelist" / "drafts";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local" / "state" / "glnamelist" /
         "drafts";
}

DraftStore::Lock::Lock(const std::filesystem::path& file, bool wait) {
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  int done;
  do {
    done = ::flock(fd_, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (done != 0 && errno == EINTR);
  if (done != 0) ::close(std::exchange(fd_, -1));
}

DraftStore::Lock& DraftStore::Lock::operator=(Lock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

DraftStore::Lock::~Lock() {
  if (fd_ >= 0) ::close(fd_);
}

DraftStore::DraftStore(const std::string& location, std::filesystem::path folder)
    : folder_(std::move(folder)), prefix_(LedgerPrefix(location)) {
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  path_ = folder_ / (prefix_ + NewVoucherUid().substr(0, 16) + ".draft");
  lock_ = Lock(LockOf(path_), false);  // none on a folder without locks: the draft is kept still
}

DraftStore::DraftStore(DraftStore&& other) noexcept
    : folder_(std::move(other.folder_)),
      prefix_(std::move(other.prefix_)),
      path_(std::exchange(other.path_, {})),
      lock_(std::move(other.lock_)),
      offered_(std::move(other.offered_)),
      answered_(std::move(other.answered_)) {
  other.offered_.reset();
}

DraftStore::~DraftStore() {
  if (path_.empty()) return;  // moved from
  std::error_code ignored;
  if (!std::filesystem::exists(path_, ignored)) std::filesystem::remove(LockOf(path_), ignored);
}

std::filesystem::path DraftStore::LockOf(const std::filesystem::path& draft) {
  std::filesystem::path lock = draft;
  return lock.replace_extension(".lock");
}

std::optional<Voucher> DraftStore::Load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseDraft(text);
}

std::optional<Voucher> DraftStore::Offer(bool aside, bool again) {
  Leave();
  if (again) answered_.clear();
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix_) && entry.path().extension() == (aside ? ".aside" : ".draft") &&
        entry.path() != path_ &&
        std::find(answered_.begin(), answered_.end(), entry.path()) == answered_.end()) {
      found.push_back(entry.path());
    }
  }
  std::sort(found.begin(), found.end());
  for (const std::filesystem::path& file : found) {
    Lock lock(LockOf(file), false);
    if (!lock.held()) continue;  // its window lives, or another window offers it
    std::ifstream in(file, std::ios::binary);
    if (!in) continue;  // gone meanwhile: taken, deleted or saved
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
      Voucher voucher = ParseDraft(text);
      offered_.emplace(Offered{file, std::move(lock)});
      return voucher;
    } catch (const Error& e) {
      std::filesystem::path damaged = file;
      damaged += ".damaged";
      std::filesystem::rename(file, damaged, error);
      Refuse("The draft " + file.string() + " cannot be read (" + e.Description() +
             "); it is kept as " + damaged.string());
    }
  }
  return std::nullopt;
}

void DraftStore::Answered() {
  answered_.push_back(offered_->file);
  offered_.reset();
}

void DraftStore::Take() {
  if (!offered_) return;
  std::error_code ignored;
  std::filesystem::path file = offered_->file;
  if (file.extension() == ".aside") {
    std::filesystem::path draft = file;
    draft.replace_extension(".draft");
    if (::rename(file.c_str(), draft.c_str()) != 0) {
      Refuse("Cannot take the draft " + file.string() + ": " + std::strerror(errno));
    }
    file = draft;
  }
  std::filesystem::remove(path_, ignored);
  std::filesystem::remove(LockOf(path_), ignored);
  path_ = file;
  lock_ = std::move(offered_->lock);
  offered_.reset();
}

void DraftStore::Leave() {
  if (offered_) Answered();
}

void DraftStore::SetAside() {
  if (!offered_) return;
  if (offered_->file.extension() == ".draft") {
    std::filesystem::path aside = offered_->file;
    aside.replace_extension(".aside");
    if (::rename(offered_->file.c_str(), aside.c_str()) != 0) {
      Refuse("Cannot set the draft " + offered_->file.string() + " aside: " + std::strerror(errno));
    }
    offered_->file = aside;
  }
  Answered();
}

void DraftStore::Delete() {
  if (!offered_) return;
  std::error_code ignored;
  std::filesystem::remove(offered_->file, ignored);
  std::filesystem::remove(LockOf(offered_->file), ignored);
  Answered();
}

void DraftStore::Save(const Voucher& voucher, bool durable) const {
  std::error_code error;
  std::filesystem::create_directories(path_.parent_path(), error);
  std::filesystem::path temp = path_;
  temp += ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Refuse("Cannot write the draft " + temp.string() + ": " + std::strerror(errno));
  try {
    WriteAll(fd, DraftText(voucher), temp);
    if (durable && ::fsync(fd) != 0) {
      Refuse("Cannot write the draft " + temp.string() + ": " + std::strerror(errno));
    }
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  ::close(fd);
  if (::rename(temp.c_str(), path_.c_str()) != 0) {
    int saved = errno;
    ::unlink(temp.c_str());
    Refuse("Cannot write the draft " + path_.string() + ": " + std::strerror(saved));
  }
  if (durable) SyncFolder(path_.parent_path());
}

void DraftStore::Discard() const {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

}  // namespace glnamelist::voucher

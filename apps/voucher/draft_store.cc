#include "apps/voucher/draft_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "contracts/error.h"
#include "ledger/db/ledger_db.h"

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

// A stable name for the ledger: its absolute path, or its server address without a
// password; hashed, so that it makes a file name.
std::string DraftName(const std::string& location) {
  std::string key = ledger::IsServerLocation(location)
                        ? ledger::Location(location).Shown()
                        : std::filesystem::weakly_canonical(location).string();
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.draft", static_cast<unsigned long long>(hash));
  return name;
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

std::string DraftText(const Voucher& v) {
  std::ostringstream out;
  out << kMagic << "\n";
  out << "id\t" << v.id << "\nversion\t" << v.version << "\ndate\t" << Escaped(v.date) << "\nword\t"
      << Escaped(v.word) << "\nnumber\t" << v.number << "\nattachments\t" << v.attachments << "\n";
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
    } else if (key == "line" && f.size() == kColumns + 1) {
      VoucherLine l;
      for (int c = 0; c < kColumns; ++c) l.cells[static_cast<size_t>(c)] = f[c + 1];
      v.lines.push_back(std::move(l));
    } else if (f.size() != 2) {
      Refuse("a line of the draft is cut or garbled: " + line);
    } else if (key == "id") {
      v.id = Number(f[1]);
    } else if (key == "version") {
      v.version = Number(f[1]);
    } else if (key == "date") {
      v.date = f[1];
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

DraftStore::DraftStore(const std::string& location, std::filesystem::path folder)
    : path_(std::move(folder) / DraftName(location)) {}

std::optional<Voucher> DraftStore::Load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    return ParseDraft(text);
  } catch (const Error& e) {
    std::filesystem::path aside = path_;
    aside += ".damaged";
    std::error_code ignored;
    std::filesystem::rename(path_, aside, ignored);
    Refuse("The draft " + path_.string() + " cannot be read (" + e.Description() +
           "); it is kept as " + aside.string());
  }
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

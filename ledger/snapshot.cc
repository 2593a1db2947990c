#include "ledger/snapshot.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <vector>

#include "contracts/error.h"
#include "recordset/table_image.h"

namespace glnamelist::ledger {
namespace {

constexpr char kMagic[8] = {'G', 'L', 'S', 'N', 'A', 'P', '0', '3'};
constexpr size_t kHeaderSize = 64;
// A set's image starts at a multiple of this from the start of the file.
constexpr size_t kSectionAlign = 64;

struct Header {
  char magic[8];
  uint64_t file_size;
  uint64_t directory;
  uint64_t directory_size;
  uint64_t directory_checksum;
  char unused[kHeaderSize - 40];
};
static_assert(sizeof(Header) == kHeaderSize);

uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full;

// A checksum of a run of bytes given in pieces of any size, four 64-bit lanes at a time.
class Checksum {
 public:
  void Add(const char* data, size_t size) {
    if (size == 0) return;
    size_ += size;
    if (held_ > 0) {
      const size_t take = std::min(size, sizeof block_ - held_);
      std::memcpy(block_ + held_, data, take);
      held_ += take;
      data += take;
      size -= take;
      if (held_ < sizeof block_) return;
      Mix(block_);
      held_ = 0;
    }
    for (; size >= sizeof block_; data += sizeof block_, size -= sizeof block_) Mix(data);
    std::memcpy(block_, data, size);
    held_ = size;
  }
  uint64_t Value() const {
    uint64_t h = size_ * kP2;
    for (size_t i = 0; i < held_; ++i)
      h = Rotl(h ^ static_cast<unsigned char>(block_[i]), 11) * kP1;
    for (uint64_t lane : lanes_) h = Rotl(h ^ lane, 27) * kP1 + kP2;
    return h;
  }

 private:
  void Mix(const char* block) {
    for (int lane = 0; lane < 4; ++lane) {
      uint64_t word;
      std::memcpy(&word, block + 8 * lane, 8);
      lanes_[lane] = Rotl(lanes_[lane] + word * kP2, 31) * kP1;
    }
  }

  uint64_t lanes_[4] = {1, 2, 3, 4};
  char block_[32] = {};
  size_t held_ = 0;
  uint64_t size_ = 0;
};

// The checksum of bytes [from, to) of fd, read through a buffer small enough to stay in the
// processor's cache.
std::optional<uint64_t> ChecksumOf(int fd, uint64_t from, uint64_t to) {
  std::vector<char> block(256 * 1024);
  Checksum sum;
  for (uint64_t at = from; at < to;) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), to - at));
    ssize_t got = pread(fd, block.data(), want, static_cast<off_t>(at));
    if (got <= 0) return std::nullopt;
    sum.Add(block.data(), static_cast<size_t>(got));
    at += static_cast<uint64_t>(got);
  }
  return sum.Value();
}

std::string CacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/glnamelist";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.cache/glnamelist";
}

// Removes the files a writer of a snapshot at path left behind when it was killed: those
// named for a process that is gone (see WriteOne).
void RemoveLeftovers(const std::string& path) {
  namespace fs = std::filesystem;
  const std::string prefix = fs::path(path).filename().string() + ".tmp";
  std::error_code error;
  for (fs::directory_iterator it(fs::path(path).parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix)) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

// Writes the snapshot to a file of its own beside path (PATH.tmpPID.N), then renames it into
// place. Once stop is set, it ends soon, writing nothing.
bool WriteOne(const std::string& path, const LedgerStamp& stamp,
              const std::vector<SnapshotSet>& sets, const std::atomic<bool>& stop) {
  static std::atomic<int> serial{0};
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  RemoveLeftovers(path);
  const std::string temp =
      path + ".tmp" + std::to_string(getpid()) + "." + std::to_string(serial++);
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) return false;
  bool ok = true;
  Checksum section;
  try {
    recordset::ImageWriter writer(
        [&](std::string_view bytes) {
          if (stop) throw Error(errc::kDataService, "Snapshot " + path + ": stopped");
          section.Add(bytes.data(), bytes.size());
          ok = ok &&
               (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size());
        },
        0);
    writer.Bytes(std::string(kHeaderSize, '\0'));
    struct Written {
      uint64_t offset, size, checksum;
    };
    std::vector<Written> written;
    for (const SnapshotSet& set : sets) {
      if (stop) throw Error(errc::kDataService, "Snapshot " + path + ": stopped");
      writer.Align(kSectionAlign);
      section = Checksum();
      const uint64_t offset = writer.offset();
      recordset::WriteTableImage(*set.records, set.lookups, writer);
      written.push_back({offset, writer.offset() - offset, section.Value()});
    }
    writer.Align(8);
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.directory = writer.offset();
    section = Checksum();
    writer.Text(stamp.identity);
    writer.Text(stamp.version);
    writer.Put<uint64_t>(sets.size());
    for (size_t i = 0; i < sets.size(); ++i) {
      writer.Text(sets[i].name);
      writer.Put<uint64_t>(written[i].offset);
      writer.Put<uint64_t>(written[i].size);
      writer.Put<uint64_t>(written[i].checksum);
    }
    header.directory_size = writer.offset() - header.directory;
    header.directory_checksum = section.Value();
    header.file_size = writer.offset();
    ok = ok && std::fflush(out) == 0 &&
         pwrite(fileno(out), &header, kHeaderSize, 0) == static_cast<ssize_t>(kHeaderSize);
  } catch (const Error&) {
    ok = false;
  }
  ok = std::fclose(out) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

std::vector<std::string> SnapshotPlaces(const std::string& location) {
  const Location where(location);
  if (where.OnServer()) return {CacheFolder() + "/" + where.Key() + ".server.snapshot"};
  return {where.Name() + ".snapshot", CacheFolder() + "/" + where.Key() + ".file.snapshot"};
}

std::shared_ptr<const Snapshot> Snapshot::Open(const std::vector<std::string>& places) {
  for (const std::string& place : places) {
    const int fd = open(place.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    Header header{};
    std::string directory;
    bool whole = fstat(fd, &info) == 0 && static_cast<uint64_t>(info.st_size) >= kHeaderSize &&
                 pread(fd, &header, kHeaderSize, 0) == static_cast<ssize_t>(kHeaderSize) &&
                 std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 &&
                 header.file_size == static_cast<uint64_t>(info.st_size) &&
                 header.directory >= kHeaderSize && header.directory <= header.file_size &&
                 header.directory_size == header.file_size - header.directory;
    if (whole) {
      directory.resize(header.directory_size);
      whole = pread(fd, directory.data(), directory.size(), static_cast<off_t>(header.directory)) ==
                  static_cast<ssize_t>(directory.size()) &&
              ChecksumOf(fd, header.directory, header.file_size) == header.directory_checksum;
    }
    std::map<std::string, Section> sets;
    LedgerStamp made_from;
    try {
      recordset::ImageReader head(directory.data(), directory.size(), 0, nullptr);
      if (whole) {
        made_from.identity = std::string(head.Text());
        made_from.version = std::string(head.Text());
      }
      for (uint64_t n = whole ? head.Get<uint64_t>() : 0; n > 0; --n) {
        std::string name(head.Text());
        Section section{head.Get<uint64_t>(), head.Get<uint64_t>(), head.Get<uint64_t>()};
        whole = whole && section.offset >= kHeaderSize && section.offset <= header.directory &&
                section.size <= header.directory - section.offset;
        sets[name] = section;
      }
    } catch (const Error&) {
      whole = false;  // a directory that does not read as one
    }
    void* mapped =
        whole ? mmap(nullptr, header.file_size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (mapped == MAP_FAILED) {
      close(fd);
      continue;
    }
    std::shared_ptr<const void> keeper(
        mapped, [size = header.file_size](const void* p) { munmap(const_cast<void*>(p), size); });
    return std::shared_ptr<const Snapshot>(
        new Snapshot(place, fd, std::move(keeper), std::move(made_from), std::move(sets)));
  }
  return nullptr;
}

Snapshot::Snapshot(std::string path, int fd, std::shared_ptr<const void> mapped,
                   LedgerStamp made_from, std::map<std::string, Section> sets)
    : path_(std::move(path)),
      fd_(fd),
      mapped_(std::move(mapped)),
      made_from_(std::move(made_from)),
      sets_(std::move(sets)) {}

Snapshot::~Snapshot() { close(fd_); }

RecordsetPtr Snapshot::Read(const Section& section) const {
  if (ChecksumOf(fd_, section.offset, section.offset + section.size) != section.checksum) {
    return nullptr;
  }
  try {
    recordset::ImageReader image(static_cast<const char*>(mapped_.get()),
                                 section.offset + section.size, section.offset, mapped_);
    return recordset::ReadTableImage(image);
  } catch (const Error&) {
    return nullptr;  // written by a program that lays images out otherwise
  }
}

RecordsetPtr Snapshot::Take(const std::string& name) const {
  auto it = sets_.find(name);
  if (it == sets_.end()) return nullptr;
  // The first to ask checks the set's bytes; the others wait for it.
  std::promise<RecordsetPtr> checking;
  std::shared_future<RecordsetPtr> taken;
  bool first = false;
  {
    std::lock_guard lock(taken_mutex_);
    auto [at, made] = taken_.try_emplace(name);
    if (made) at->second = checking.get_future().share();
    taken = at->second;
    first = made;
  }
  if (first) {
    try {
      checking.set_value(Read(it->second));
    } catch (...) {
      checking.set_exception(std::current_exception());
    }
  }
  const RecordsetPtr& rs = taken.get();
  return rs ? rs->Clone() : nullptr;
}

std::string WriteSnapshot(const std::vector<std::string>& places, const LedgerStamp& stamp,
                          const std::vector<SnapshotSet>& sets, const std::atomic<bool>& stop) {
  for (const std::string& place : places) {
    if (stop) break;
    if (WriteOne(place, stamp, sets, stop)) return place;
  }
  return {};
}

}  // namespace glnamelist::ledger

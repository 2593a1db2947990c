#include "ledger/snapshot.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "contracts/error.h"
#include "recordset/table_image.h"

namespace glnamelist::ledger {
namespace {

constexpr char kMagic[8] = {'G', 'L', 'S', 'N', 'A', 'P', '0', '1'};
constexpr size_t kHeaderSize = 64;

struct Header {
  char magic[8];
  uint64_t file_size;
  uint64_t checksum;
  uint64_t directory;
  char unused[kHeaderSize - 32];
};
static_assert(sizeof(Header) == kHeaderSize);

uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full;

// A checksum of the bytes of a file, four 64-bit lanes at a time.
class Checksum {
 public:
  void Add(const char* data, size_t size) {
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
      for (int lane = 0; lane < 4; ++lane) {
        uint64_t word;
        std::memcpy(&word, data + i + 8 * lane, 8);
        lanes_[lane] = Rotl(lanes_[lane] + word * kP2, 31) * kP1;
      }
    }
    for (; i < size; ++i) tail_ = Rotl(tail_ ^ static_cast<unsigned char>(data[i]), 11) * kP1;
    size_ += size;
  }
  uint64_t Value() const {
    uint64_t h = size_ * kP2 ^ tail_;
    for (uint64_t lane : lanes_) h = Rotl(h ^ lane, 27) * kP1 + kP2;
    return h;
  }

 private:
  uint64_t lanes_[4] = {1, 2, 3, 4};
  uint64_t tail_ = 0;
  uint64_t size_ = 0;
};

// The checksum of bytes [from, to) of fd, read in blocks (a multiple of 32 bytes) so that
// only the last one has a tail.
std::optional<uint64_t> ChecksumOf(int fd, uint64_t from, uint64_t to) {
  std::vector<char> block(1 << 20);
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

std::string Hex(uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// The sets of the snapshot at path, or nothing when it is not whole or not of this stamp.
std::optional<std::map<std::string, RecordsetPtr>> OpenOne(const std::string& path,
                                                           const LedgerStamp& stamp) {
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0) return std::nullopt;
  const auto size = static_cast<uint64_t>(info.st_size);
  Header header{};
  if (size < kHeaderSize || pread(fd.get(), &header, kHeaderSize, 0) != kHeaderSize ||
      std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.file_size != size ||
      header.directory < kHeaderSize || header.directory > size) {
    return std::nullopt;
  }
  // The directory first: a snapshot of another ledger or version is known before the
  // checksum reads the rest.
  std::string directory(size - header.directory, '\0');
  if (pread(fd.get(), directory.data(), directory.size(), static_cast<off_t>(header.directory)) !=
      static_cast<ssize_t>(directory.size())) {
    return std::nullopt;
  }
  try {
    recordset::ImageReader head(directory.data(), directory.size(), 0, nullptr);
    if (head.Text() != stamp.identity || head.Text() != stamp.version) return std::nullopt;
    if (ChecksumOf(fd.get(), kHeaderSize, size) != header.checksum) return std::nullopt;
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd.get(), 0);
    if (mapped == MAP_FAILED) return std::nullopt;
    std::shared_ptr<const void> keeper(
        mapped, [size](const void* p) { munmap(const_cast<void*>(p), size); });
    const char* base = static_cast<const char*>(mapped);
    std::map<std::string, RecordsetPtr> sets;
    for (uint64_t n = head.Get<uint64_t>(); n > 0; --n) {
      std::string name(head.Text());
      uint64_t at = head.Get<uint64_t>();
      if (at < kHeaderSize || at > header.directory) return std::nullopt;
      recordset::ImageReader image(base, header.directory, at, keeper);
      sets[name] = recordset::ReadTableImage(image);
    }
    return sets;
  } catch (const Error&) {
    return std::nullopt;  // damaged where the checksum could not tell
  }
}

// Writes the snapshot to a file of its own beside path, then renames it into place.
bool WriteOne(const std::string& path, const LedgerStamp& stamp,
              const std::vector<SnapshotSet>& sets) {
  static std::atomic<int> serial{0};
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  const std::string temp =
      path + ".tmp" + std::to_string(getpid()) + "." + std::to_string(serial++);
  FILE* out = std::fopen(temp.c_str(), "w+b");
  if (!out) return false;
  bool ok = true;
  try {
    recordset::ImageWriter writer(
        [&](std::string_view bytes) {
          ok = ok &&
               (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size());
        },
        0);
    writer.Bytes(std::string_view(kMagic, sizeof kMagic));
    writer.Bytes(std::string(kHeaderSize - sizeof kMagic, '\0'));
    std::vector<uint64_t> offsets;
    for (const SnapshotSet& set : sets) {
      writer.Align(64);
      offsets.push_back(writer.offset());
      recordset::WriteTableImage(*set.records, set.lookups, writer);
    }
    writer.Align(8);
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.directory = writer.offset();
    writer.Text(stamp.identity);
    writer.Text(stamp.version);
    writer.Put<uint64_t>(sets.size());
    for (size_t i = 0; i < sets.size(); ++i) {
      writer.Text(sets[i].name);
      writer.Put<uint64_t>(offsets[i]);
    }
    header.file_size = writer.offset();
    ok = ok && std::fflush(out) == 0;
    std::optional<uint64_t> sum =
        ok ? ChecksumOf(fileno(out), kHeaderSize, header.file_size) : std::nullopt;
    ok = ok && sum.has_value();
    header.checksum = sum.value_or(0);
    ok = ok && pwrite(fileno(out), &header, kHeaderSize, 0) == kHeaderSize;
  } catch (const Error&) {
    ok = false;
  }
  ok = std::fclose(out) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

std::vector<std::string> SnapshotPlaces(const std::string& location, const LedgerStamp& stamp) {
  std::string cached = CacheFolder() + "/" + Hex(std::hash<std::string>()(stamp.identity)) +
                       (IsServerLocation(location) ? ".server" : ".file") + ".snapshot";
  if (IsServerLocation(location)) return {cached};
  return {stamp.identity + ".snapshot", cached};
}

std::optional<std::map<std::string, RecordsetPtr>> OpenSnapshot(
    const std::vector<std::string>& places, const LedgerStamp& stamp) {
  for (const std::string& place : places) {
    if (auto sets = OpenOne(place, stamp)) return sets;
  }
  return std::nullopt;
}

std::string WriteSnapshot(const std::vector<std::string>& places, const LedgerStamp& stamp,
                          const std::vector<SnapshotSet>& sets) {
  for (const std::string& place : places) {
    if (WriteOne(place, stamp, sets)) return place;
  }
  return {};
}

}  // namespace glnamelist::ledger

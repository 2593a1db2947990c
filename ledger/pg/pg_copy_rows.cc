#include "ledger/pg/pg_copy_rows.h"

#include <endian.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "contracts/error.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {
namespace {

constexpr std::string_view kSignature("PGCOPY\n\377\r\n\0", 11);

template <class T>
T Big(const char* bytes) {
  T big;
  std::memcpy(&big, bytes, sizeof big);
  if constexpr (sizeof(T) == 2) return static_cast<T>(be16toh(big));
  if constexpr (sizeof(T) == 4) return static_cast<T>(be32toh(big));
  if constexpr (sizeof(T) == 8) return static_cast<T>(be64toh(big));
}

}  // namespace

class CopyRows::Row final : public ResultRow {
 public:
  explicit Row(const CopyRows& rows) : rows_(rows) {}

  bool IsNull(int column) const override { return Value(column).data() == nullptr; }
  int64_t Int(int column) const override {
    const std::string_view value = Value(column);
    switch (value.size()) {
      case 0:
        if (value.data() == nullptr) return 0;
        break;
      case 2:
        return static_cast<int16_t>(Big<uint16_t>(value.data()));
      case 4:
        return static_cast<int32_t>(Big<uint32_t>(value.data()));
      case 8:
        return static_cast<int64_t>(Big<uint64_t>(value.data()));
    }
    throw Error(errc::kDataService, "Ledger " + rows_.ledger_ + ": column " +
                                        std::to_string(column + 1) + " is not an integer");
  }
  std::string_view Text(int column) const override {
    const std::string_view value = Value(column);
    return value.data() ? value : std::string_view("");
  }

 private:
  std::string_view Value(int column) const { return rows_.values_.at(static_cast<size_t>(column)); }

  const CopyRows& rows_;
};

CopyRows::CopyRows(std::string ledger) : ledger_(std::move(ledger)) {}

void CopyRows::Malformed() const {
  throw ReadError(ledger_, "cannot read", Fault::kOther, "malformed rows");
}

bool CopyRows::Read(std::string_view message, const OnRow& on_row) {
  size_t at = 0;
  auto take = [&](size_t size) {
    if (message.size() - at < size) Malformed();
    at += size;
    return message.data() + at - size;
  };
  if (!header_read_) {
    // The signature, the flags, and an extension of the header to pass over.
    if (!message.starts_with(kSignature)) Malformed();
    take(kSignature.size() + 4);
    take(Big<uint32_t>(take(4)));
    header_read_ = true;
  }
  const auto fields = static_cast<int16_t>(Big<uint16_t>(take(2)));
  if (fields == -1) return false;
  if (fields < 0) Malformed();
  values_.resize(static_cast<size_t>(fields));
  for (std::string_view& value : values_) {
    const auto length = static_cast<int32_t>(Big<uint32_t>(take(4)));
    value = length < 0
                ? std::string_view()
                : std::string_view(take(static_cast<size_t>(length)), static_cast<size_t>(length));
  }
  if (at != message.size()) Malformed();
  on_row(Row(*this));
  return true;
}

}  // namespace glnamelist::ledger

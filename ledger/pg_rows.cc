#include "ledger/pg_rows.h"

#include <endian.h>

#include <cstring>

#include "contracts/error.h"

namespace glnamelist::ledger {
namespace {

// Type ids of the server's integer types.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23;

constexpr std::string_view kCopySignature("PGCOPY\n\377\r\n\0", 11);

class ResultRowOf final : public ResultRow {
 public:
  ResultRowOf(const PGresult* result, const std::string& ledger)
      : result_(result), ledger_(ledger) {}
  void At(int row) { row_ = row; }

  bool IsNull(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
  int64_t Int(int column) const override {
    if (IsNull(column)) return 0;
    return BinaryInteger(PQgetvalue(result_, row_, column), PQftype(result_, column), ledger_,
                         PQfname(result_, column));
  }
  std::string_view Text(int column) const override {
    return {PQgetvalue(result_, row_, column),
            static_cast<size_t>(PQgetlength(result_, row_, column))};
  }

 private:
  const PGresult* result_;
  const std::string& ledger_;
  int row_ = 0;
};

template <class T>
T Big(const char* bytes) {
  T big;
  std::memcpy(&big, bytes, sizeof big);
  if constexpr (sizeof(T) == 2) return static_cast<T>(be16toh(big));
  if constexpr (sizeof(T) == 4) return static_cast<T>(be32toh(big));
  if constexpr (sizeof(T) == 8) return static_cast<T>(be64toh(big));
}

}  // namespace

int64_t BinaryInteger(const char* bytes, Oid type, const std::string& ledger,
                      const std::string& column) {
  switch (type) {
    case kInt8:
      return static_cast<int64_t>(Big<uint64_t>(bytes));
    case kInt4:
      return static_cast<int32_t>(Big<uint32_t>(bytes));
    case kInt2:
      return static_cast<int16_t>(Big<uint16_t>(bytes));
    default:
      throw Error(errc::kDataService,
                  "Ledger " + ledger + ": column " + column + " is not an integer");
  }
}

void EachRow(const PGresult* result, const std::string& ledger, const OnRow& on_row) {
  ResultRowOf row(result, ledger);
  for (int i = 0, n = PQntuples(result); i < n; ++i) {
    row.At(i);
    on_row(row);
  }
}

// One row of a COPY message: where each value lies in it (null: none).
class CopyRows::Row final : public ResultRow {
 public:
  explicit Row(const CopyRows& rows) : rows_(rows), values_(rows.types_.size()) {}

  // Reads the row at text[at...]; false when it does not fit in text.
  bool ReadAt(std::string_view text, size_t& at) {
    for (std::string_view& value : values_) {
      if (text.size() - at < 4) return false;
      const auto length = static_cast<int32_t>(Big<uint32_t>(text.data() + at));
      at += 4;
      if (length < 0) {
        value = {};
        continue;
      }
      if (text.size() - at < static_cast<size_t>(length)) return false;
      value = text.substr(at, static_cast<size_t>(length));
      at += static_cast<size_t>(length);
    }
    return true;
  }

  bool IsNull(int column) const override { return values_[column].data() == nullptr; }
  int64_t Int(int column) const override {
    if (IsNull(column)) return 0;
    const std::string_view value = values_[column];
    const size_t wanted = rows_.types_[column] == kInt8   ? 8
                          : rows_.types_[column] == kInt4 ? 4
                          : rows_.types_[column] == kInt2 ? 2
                                                          : value.size();
    if (value.size() != wanted) rows_.Malformed();
    return BinaryInteger(value.data(), rows_.types_[column], rows_.ledger_, rows_.names_[column]);
  }
  std::string_view Text(int column) const override { return values_[column]; }

 private:
  const CopyRows& rows_;
  std::vector<std::string_view> values_;
};

void CopyRows::Malformed() const {
  throw Error(errc::kDataService, "Ledger " + ledger_ + ": cannot read: malformed rows");
}

bool CopyRows::Read(std::string_view message, const OnRow& on_row) {
  size_t at = 0;
  if (!header_read_) {
    // The signature, the flags and the length of an extension to skip.
    if (message.size() < kCopySignature.size() + 8 || !message.starts_with(kCopySignature)) {
      Malformed();
    }
    const uint32_t extension = Big<uint32_t>(message.data() + kCopySignature.size() + 4);
    at = kCopySignature.size() + 8;
    if (message.size() - at < extension) Malformed();
    at += extension;
    header_read_ = true;
  }
  Row row(*this);
  while (at < message.size()) {
    if (message.size() - at < 2) Malformed();
    const auto fields = static_cast<int16_t>(Big<uint16_t>(message.data() + at));
    at += 2;
    if (fields == -1) return false;
    if (static_cast<size_t>(fields) != types_.size() || !row.ReadAt(message, at)) Malformed();
    on_row(row);
  }
  return true;
}

}  // namespace glnamelist::ledger

#include "recordset/persist.h"

#include <cstring>
#include <mutex>
#include <random>
#include <unordered_map>

#include "recordset/filter_parser.h"

namespace glnamelist::recordset {
namespace {

constexpr std::string_view kMagic("GLRS\x01", 5);
constexpr std::string_view kSharedMagic("GLRS\x02", 5);

// The tables saved whole in this process, by token, with the size of their saved form.
class SavedTables {
 public:
  static SavedTables& Instance() {
    static SavedTables* tables = new SavedTables;
    return *tables;
  }
  uint64_t Add(const TablePtr& table, size_t bytes) {
    std::lock_guard lock(mutex_);
    std::erase_if(tables_, [](const auto& entry) { return entry.second.table.expired(); });
    uint64_t token = next_++;
    tables_[token] = {table, bytes};
    return token;
  }
  // The live table of token whose saved form had this size, or nullptr.
  TablePtr Find(uint64_t token, size_t bytes) {
    std::lock_guard lock(mutex_);
    auto it = tables_.find(token);
    if (it == tables_.end() || it->second.bytes != bytes) return nullptr;
    return it->second.table.lock();
  }

 private:
  struct Entry {
    std::weak_ptr<const Table> table;
    size_t bytes;
  };
  std::mutex mutex_;
  // Tokens start at a random place, so that a form saved by another process is not taken
  // for one of ours.
  uint64_t next_ = (uint64_t{std::random_device()()} << 32) | std::random_device()();
  std::unordered_map<uint64_t, Entry> tables_;
};

template <class T>
void Put(std::string& out, T v) {
  char buf[sizeof(T)];
  std::memcpy(buf, &v, sizeof(T));
  out.append(buf, sizeof(T));
}

void PutText(std::string& out, std::string_view t) {
  Put<uint32_t>(out, static_cast<uint32_t>(t.size()));
  out.append(t);
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::string_view Bytes(size_t n) {
    if (n > bytes_.size() - pos_) RefuseArgument();
    std::string_view s = bytes_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  template <class T>
  T Get() {
    T v;
    std::memcpy(&v, Bytes(sizeof(T)).data(), sizeof(T));
    return v;
  }
  std::string_view Text() { return Bytes(Get<uint32_t>()); }
  size_t left() const { return bytes_.size() - pos_; }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

}  // namespace

std::string SerializeRows(const TablePtr& shared, const ViewOrder& order) {
  const Table& table = *shared;
  const bool whole = order.IsTableOrder();
  std::string out(whole ? kSharedMagic : kMagic);
  if (whole) Put<uint64_t>(out, 0);  // the token, once the size is known
  Put<uint32_t>(out, static_cast<uint32_t>(table.column_count()));
  for (size_t c = 0; c < table.column_count(); ++c) {
    PutText(out, table.column(c).name);
    Put<uint8_t>(out, static_cast<uint8_t>(table.column(c).type));
  }
  size_t n = order.size();
  Put<uint32_t>(out, static_cast<uint32_t>(n));
  for (size_t c = 0; c < table.column_count(); ++c) {
    const TablePatch* patch = table.patch();
    const bool nulls =
        !table.column(c).nulls.empty() || (patch && !patch->added->column(c).nulls.empty());
    Put<uint8_t>(out, nulls ? 1 : 0);
    if (nulls) {
      for (size_t i = 0; i < n; ++i) {
        uint32_t r = order.RowAt(i);
        Put<uint8_t>(out, table.Holding(c, r).IsNull(r) ? 1 : 0);
      }
    }
    for (size_t i = 0; i < n; ++i) {
      uint32_t r = order.RowAt(i);
      const ColumnStore& col = table.Holding(c, r);
      switch (col.type) {
        case ColumnType::kInteger:
        case ColumnType::kBool:
          Put<int64_t>(out, col.ints[r]);
          break;
        case ColumnType::kDouble:
          Put<double>(out, col.doubles[r]);
          break;
        case ColumnType::kText:
          PutText(out, col.text.At(r));
          break;
      }
    }
  }
  if (whole) {
    uint64_t token = SavedTables::Instance().Add(shared, out.size());
    std::memcpy(out.data() + kSharedMagic.size(), &token, sizeof token);
  }
  return out;
}

TablePtr DeserializeRows(std::string_view bytes) {
  Reader in(bytes);
  std::string_view magic = in.Bytes(kMagic.size());
  if (magic == kSharedMagic) {
    if (TablePtr saved = SavedTables::Instance().Find(in.Get<uint64_t>(), bytes.size())) {
      return saved;
    }
  } else if (magic != kMagic) {
    RefuseArgument();
  }
  uint32_t column_count = in.Get<uint32_t>();
  if (column_count > in.left()) RefuseArgument();
  std::vector<ColumnBuilder> builders(column_count);
  for (ColumnBuilder& col : builders) {
    col.name = std::string(in.Text());
    uint8_t type = in.Get<uint8_t>();
    if (type > static_cast<uint8_t>(ColumnType::kText)) RefuseArgument();
    col.type = static_cast<ColumnType>(type);
  }
  uint32_t rows = in.Get<uint32_t>();
  std::vector<ColumnStore> columns;
  for (ColumnBuilder& col : builders) {
    // Every row takes at least one byte per column, which bounds what is reserved.
    if (rows > in.left()) RefuseArgument();
    std::string_view flags = in.Get<uint8_t>() != 0 ? in.Bytes(rows) : std::string_view();
    for (uint32_t i = 0; i < rows; ++i) {
      if (!flags.empty() && flags[i] != 0) {
        col.AppendNull(i);
        // The stored value of a null row is read and dropped.
        col.type == ColumnType::kText ? void(in.Text()) : void(in.Bytes(8));
        continue;
      }
      switch (col.type) {
        case ColumnType::kInteger:
        case ColumnType::kBool:
          col.AppendValue(Variant(static_cast<long long>(in.Get<int64_t>())), i);
          break;
        case ColumnType::kDouble:
          col.AppendValue(Variant(in.Get<double>()), i);
          break;
        case ColumnType::kText:
          col.AppendValue(Variant(in.Text()), i);
          break;
      }
    }
    columns.push_back(col.Finish());
  }
  if (in.left() != 0) RefuseArgument();
  return std::make_shared<Table>(std::move(columns), rows);
}

}  // namespace glnamelist::recordset

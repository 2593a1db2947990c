#include "recordset/table_data.h"

#include <algorithm>
#include <numeric>

#include "recordset/collation.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {

struct Table::Lazy {
  bool folded_built = false;
  std::unique_ptr<TextData> folded;  // empty when folding changes nothing
  std::unique_ptr<std::vector<uint32_t>> sorted;
  std::unique_ptr<CharIndex> chars;
  std::unique_ptr<std::vector<uint32_t>> ranks;
};

namespace {

constexpr uint32_t kAsciiSlots = 128;
constexpr size_t kKeptOrders = 4;

}  // namespace

CharIndex::CharIndex(const TextData& folded) {
  size_t rows = folded.offsets.size() - 1;
  std::vector<uint32_t> counts(kAsciiSlots, 0);
  std::vector<uint32_t> last_row(kAsciiSlots, UINT32_MAX);
  auto slot_for_build = [&](int32_t cp) -> uint32_t {
    if (cp >= 0 && cp < static_cast<int32_t>(kAsciiSlots)) return static_cast<uint32_t>(cp);
    auto [it, added] = wide_slots_.try_emplace(cp, static_cast<uint32_t>(counts.size()));
    if (added) {
      counts.push_back(0);
      last_row.push_back(UINT32_MAX);
    }
    return it->second;
  };
  // First pass: how many rows hold each code point.
  for (uint32_t r = 0; r < rows; ++r) {
    std::string_view t = folded.At(r);
    for (size_t pos = 0; pos < t.size();) {
      uint32_t s = slot_for_build(NextCodePoint(t, pos));
      if (last_row[s] != r) {
        last_row[s] = r;
        ++counts[s];
      }
    }
  }
  starts_.assign(counts.size() + 1, 0);
  for (size_t s = 0; s < counts.size(); ++s) starts_[s + 1] = starts_[s] + counts[s];
  rows_.resize(starts_.back());
  // Second pass: fill the lists; rows come in ascending order.
  std::vector<uint32_t> fill(starts_.begin(), starts_.end() - 1);
  std::fill(last_row.begin(), last_row.end(), UINT32_MAX);
  for (uint32_t r = 0; r < rows; ++r) {
    std::string_view t = folded.At(r);
    for (size_t pos = 0; pos < t.size();) {
      uint32_t s = SlotOf(NextCodePoint(t, pos));
      if (last_row[s] != r) {
        last_row[s] = r;
        rows_[fill[s]++] = r;
      }
    }
  }
}

uint32_t CharIndex::SlotOf(int32_t code_point) const {
  if (code_point >= 0 && code_point < static_cast<int32_t>(kAsciiSlots)) {
    return static_cast<uint32_t>(code_point);
  }
  auto it = wide_slots_.find(code_point);
  return it == wide_slots_.end() ? UINT32_MAX : it->second;
}

std::span<const uint32_t> CharIndex::Rows(int32_t code_point) const {
  uint32_t s = SlotOf(code_point);
  if (s == UINT32_MAX) return {};
  return std::span<const uint32_t>(rows_.data() + starts_[s], starts_[s + 1] - starts_[s]);
}

Table::Table(std::vector<ColumnStore> columns, size_t rows)
    : columns_(std::move(columns)), rows_(rows), lazy_(columns_.size()) {
  for (const ColumnStore& c : columns_) folded_names_.push_back(Folded(c.name));
}

Table::~Table() = default;

int Table::FindColumn(std::string_view name) const {
  // Names usually come spelled as stored; only other spellings pay for folding.
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name == name) return static_cast<int>(i);
  }
  std::string wanted = Folded(name);
  for (size_t i = 0; i < folded_names_.size(); ++i) {
    if (folded_names_[i] == wanted) return static_cast<int>(i);
  }
  return -1;
}

const TextData& Table::FoldedText(size_t col) const {
  Lazy& lazy = lazy_[col];
  if (!lazy.folded_built) {
    const TextData& text = columns_[col].text;
    auto folded = std::make_unique<TextData>();
    folded->bytes.reserve(text.bytes.size());
    folded->offsets.reserve(text.offsets.size());
    for (size_t r = 0; r + 1 < text.offsets.size(); ++r) {
      AppendFolded(text.At(r), folded->bytes);
      folded->offsets.push_back(static_cast<uint32_t>(folded->bytes.size()));
    }
    if (folded->bytes != text.bytes) lazy.folded = std::move(folded);
    lazy.folded_built = true;
  }
  return lazy.folded ? *lazy.folded : columns_[col].text;
}

const std::vector<uint32_t>& Table::SortedByFoldedText(size_t col) const {
  Lazy& lazy = lazy_[col];
  if (!lazy.sorted) {
    const TextData& folded = FoldedText(col);
    auto sorted = std::make_unique<std::vector<uint32_t>>();
    sorted->reserve(rows_);
    for (uint32_t r = 0; r < rows_; ++r) {
      if (!columns_[col].IsNull(r)) sorted->push_back(r);
    }
    std::stable_sort(sorted->begin(), sorted->end(),
                     [&](uint32_t a, uint32_t b) { return folded.At(a) < folded.At(b); });
    lazy.sorted = std::move(sorted);
  }
  return *lazy.sorted;
}

const CharIndex& Table::Chars(size_t col) const {
  Lazy& lazy = lazy_[col];
  if (!lazy.chars) lazy.chars = std::make_unique<CharIndex>(FoldedText(col));
  return *lazy.chars;
}

const std::vector<uint32_t>& Table::Ranks(size_t col) const {
  Lazy& lazy = lazy_[col];
  if (!lazy.ranks) {
    lazy.ranks = std::make_unique<std::vector<uint32_t>>(RankColumn(columns_[col], rows_));
  }
  return *lazy.ranks;
}

std::shared_ptr<const Permutation> Table::OrderBy(const std::vector<SortKey>& keys) const {
  std::string name;
  for (const SortKey& k : keys) {
    name += std::to_string(k.column) + (k.descending ? "d," : "a,");
  }
  for (size_t i = 0; i < orders_.size(); ++i) {
    if (orders_[i].first == name) {
      std::rotate(orders_.begin() + static_cast<std::ptrdiff_t>(i),
                  orders_.begin() + static_cast<std::ptrdiff_t>(i) + 1, orders_.end());
      return orders_.back().second;
    }
  }

  std::vector<const std::vector<uint32_t>*> ranks;
  for (const SortKey& k : keys) ranks.push_back(&Ranks(k.column));
  auto perm = std::make_shared<Permutation>();
  perm->order.resize(rows_);
  std::iota(perm->order.begin(), perm->order.end(), 0u);
  std::stable_sort(perm->order.begin(), perm->order.end(), [&](uint32_t a, uint32_t b) {
    for (size_t i = 0; i < keys.size(); ++i) {
      uint32_t ra = (*ranks[i])[a];
      uint32_t rb = (*ranks[i])[b];
      if (ra != rb) return keys[i].descending ? ra > rb : ra < rb;
    }
    return false;
  });
  perm->position.resize(rows_);
  for (uint32_t i = 0; i < rows_; ++i) perm->position[perm->order[i]] = i;
  if (orders_.size() >= kKeptOrders) orders_.erase(orders_.begin());
  orders_.emplace_back(name, perm);
  return perm;
}

}  // namespace glnamelist::recordset

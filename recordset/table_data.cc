#include "recordset/table_data.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <numeric>

#include "contracts/error.h"
#include "recordset/collation.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {

// Each structure is built once, by whichever thread asks first; the others wait for it.
struct Table::Lazy {
  std::once_flag folds_once, sorted_once, ranks_once, small_once, in_order_once;
  bool folds_to_itself = false;
  bool in_order = false;
  std::once_flag postings_once;
  std::atomic<bool> postings_building = false, postings_built = false;
  std::unique_ptr<TextOrder> sorted;
  std::array<std::unique_ptr<Postings>, Postings::kKinds> postings;
  std::once_flag phrases_once;
  std::atomic<bool> phrases_building = false, phrases_built = false;
  std::unique_ptr<Phrases> phrases;
  std::unique_ptr<Array<uint32_t>> ranks;
  std::unique_ptr<SmallValueSet> small;  // empty when the column has too many values
  std::once_flag ints_once;
  bool ints_ascend = false;
  std::vector<uint32_t> by_int;  // the rows by value (ties by row), unless they ascend
};

namespace {

constexpr size_t kKeptOrders = 4;

}  // namespace

Table::Table(std::vector<ColumnStore> columns, size_t rows)
    : columns_(std::move(columns)), rows_(rows), lazy_(columns_.size()) {
  for (const ColumnStore& c : columns_) folded_names_.push_back(Folded(c.name));
}

Table::Table(std::vector<ColumnStore> columns, size_t rows, std::vector<ColumnLookups> built)
    : Table(std::move(columns), rows) {
  for (size_t c = 0; c < built.size() && c < lazy_.size(); ++c) {
    ColumnLookups& b = built[c];
    Lazy& lazy = lazy_[c];
    if (b.folds_to_itself) {
      std::call_once(lazy.folds_once, [&] { lazy.folds_to_itself = *b.folds_to_itself; });
    }
    if (b.sorted) std::call_once(lazy.sorted_once, [&] { lazy.sorted = std::move(b.sorted); });
    if (b.postings[0] && b.postings[1] && b.postings[2]) {
      std::call_once(lazy.postings_once, [&] { lazy.postings = std::move(b.postings); });
      lazy.postings_built = true;
    }
    if (b.phrases) {
      std::call_once(lazy.phrases_once, [&] { lazy.phrases = std::move(b.phrases); });
      lazy.phrases_built = true;
    }
    if (b.ranks) std::call_once(lazy.ranks_once, [&] { lazy.ranks = std::move(b.ranks); });
    if (b.small_known) std::call_once(lazy.small_once, [&] { lazy.small = std::move(b.small); });
    if (b.in_order) std::call_once(lazy.in_order_once, [&] { lazy.in_order = *b.in_order; });
  }
}

Table::Table(TablePatch patch)
    : rows_(patch.base->row_count() + patch.added->row_count()),
      patch_(std::make_unique<const TablePatch>(std::move(patch))) {}

Table::~Table() = default;

void ImageDamaged() { throw Error(errc::kDataService, "The table image is damaged"); }

int Table::FindColumn(std::string_view name) const {
  if (patch_) return patch_->base->FindColumn(name);
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

bool Table::FoldsToItself(size_t col) const {
  Lazy& lazy = lazy_[col];
  std::call_once(lazy.folds_once, [&] {
    const TextData& text = columns_[col].text;
    lazy.folds_to_itself = true;
    for (size_t r = 0; r < rows_ && lazy.folds_to_itself; ++r) {
      lazy.folds_to_itself = recordset::FoldsToItself(text.At(r));
    }
  });
  return lazy.folds_to_itself;
}

std::string_view Table::FoldInto(std::string_view text, std::string& scratch) {
  scratch.clear();
  AppendFolded(text, scratch);
  return scratch;
}

namespace {

TextData FoldedCopy(const TextData& text, size_t rows) {
  TextBuilder folded;
  folded.Reserve(rows, text.bytes.size());
  std::string row;
  for (size_t r = 0; r < rows; ++r) {
    row.clear();
    AppendFolded(text.At(r), row);
    folded.Append(row);
  }
  return folded.Finish();
}

}  // namespace

const TextOrder& Table::SortedByFoldedText(size_t col) const {
  Lazy& lazy = lazy_[col];
  std::call_once(lazy.sorted_once, [&] {
    auto sorted = std::make_unique<TextOrder>();
    std::vector<uint32_t> rows;
    rows.reserve(rows_);
    for (uint32_t r = 0; r < rows_; ++r) {
      if (!columns_[col].IsNull(r)) rows.push_back(r);
    }
    sorted->count = rows.size();
    // Codes come in order: checked row by row, folding as it goes.
    std::string scratch_a, scratch_b;
    bool ascending = true;
    for (size_t i = 1; i < rows.size() && ascending; ++i) {
      ascending = FoldedAt(col, rows[i - 1], scratch_a) <= FoldedAt(col, rows[i], scratch_b);
    }
    if (ascending && rows.size() == rows_) {
      sorted->identity = true;
    } else if (ascending) {
      sorted->rows = Array<uint32_t>(std::move(rows));
    } else {
      // Sorted by folded copies made for the sort alone.
      const bool itself = FoldsToItself(col);
      const TextData copy = itself ? TextData{} : FoldedCopy(columns_[col].text, rows_);
      const TextData& folded = itself ? columns_[col].text : copy;
      std::stable_sort(rows.begin(), rows.end(),
                       [&](uint32_t a, uint32_t b) { return folded.At(a) < folded.At(b); });
      sorted->rows = Array<uint32_t>(std::move(rows));
    }
    lazy.sorted = std::move(sorted);
  });
  return *lazy.sorted;
}

const Postings& Table::PostingsOf(size_t col, Postings::Keys keys) const {
  Lazy& lazy = lazy_[col];
  const auto k = static_cast<size_t>(keys);
  std::call_once(lazy.postings_once, [&] {
    lazy.postings_building = true;
    lazy.postings = Postings::Build(columns_[col].text, !FoldsToItself(col));
    lazy.postings_built = true;
  });
  return *lazy.postings[k];
}

const Postings* Table::PostingsUnlessBuilding(size_t col, Postings::Keys keys) const {
  const Lazy& lazy = lazy_[col];
  if (!lazy.postings_built && lazy.postings_building) return nullptr;
  return &PostingsOf(col, keys);
}

const Phrases& Table::PhrasesOf(size_t col) const {
  Lazy& lazy = lazy_[col];
  std::call_once(lazy.phrases_once, [&] {
    lazy.phrases_building = true;  // from the pair lists on, which the phrases are made from
    const Postings& pairs = PostingsOf(col, Postings::Keys::kPairs);
    lazy.phrases =
        Phrases::Build(columns_[col].text, !FoldsToItself(col), pairs, Phrases::MinRows(rows_));
    lazy.phrases_built = true;
  });
  return *lazy.phrases;
}

const Phrases* Table::PhrasesUnlessBuilding(size_t col) const {
  const Lazy& lazy = lazy_[col];
  if (!lazy.phrases_built && lazy.phrases_building) return nullptr;
  return &PhrasesOf(col);
}

namespace {

// The value set of a column, or nullptr once it holds more than kMaxValues values.
std::unique_ptr<SmallValueSet> CollectSmallValues(const ColumnStore& column, size_t rows) {
  auto set = std::make_unique<SmallValueSet>();
  const IntData& ints = column.ints;
  // The rows of each value, by the place in set->values that value_at gives a non-null row.
  auto each_value_rows = [&](auto value_at) {
    std::vector<Bitmap> bits(set->values.size(), Bitmap(rows));
    for (uint32_t r = 0; r < rows; ++r) {
      if (!column.IsNull(r)) bits[value_at(r)].Set(r);
    }
    for (const Bitmap& b : bits) set->rows.push_back(RowSet::FromBitmap(b));
  };
  if (ints.width() == 1 && ints.step() == 0) {
    // A byte a row above one base (flags): each value is told by its byte, through a table of
    // the 256 rather than a search a row.
    const uint8_t* bytes = ints.deltas().data();
    std::array<int, 256> index;
    index.fill(-1);
    for (uint32_t r = 0; r < rows; ++r) {
      if (!column.IsNull(r)) index[bytes[r]] = 0;
    }
    for (int b = 0; b < 256; ++b) {
      if (index[b] < 0) continue;
      if (set->values.size() == SmallValueSet::kMaxValues) return nullptr;
      index[b] = static_cast<int>(set->values.size());
      set->values.push_back(ints.base() + b);
    }
    each_value_rows([&](uint32_t r) { return static_cast<size_t>(index[bytes[r]]); });
    return set;
  }
  for (uint32_t r = 0; r < rows; ++r) {
    if (column.IsNull(r)) continue;
    auto it = std::lower_bound(set->values.begin(), set->values.end(), ints[r]);
    if (it == set->values.end() || *it != ints[r]) {
      if (set->values.size() == SmallValueSet::kMaxValues) return nullptr;
      set->values.insert(it, ints[r]);
    }
  }
  each_value_rows([&](uint32_t r) {
    return static_cast<size_t>(std::lower_bound(set->values.begin(), set->values.end(), ints[r]) -
                               set->values.begin());
  });
  return set;
}

}  // namespace

const SmallValueSet* Table::SmallValues(size_t col) const {
  Lazy& lazy = lazy_[col];
  ColumnType type = columns_[col].type;
  if (type != ColumnType::kInteger && type != ColumnType::kBool) return nullptr;
  std::call_once(lazy.small_once, [&] { lazy.small = CollectSmallValues(columns_[col], rows_); });
  return lazy.small.get();
}

bool Table::InRankOrder(size_t col) const {
  Lazy& lazy = lazy_[col];
  std::call_once(lazy.in_order_once,
                 [&] { lazy.in_order = recordset::InRankOrder(columns_[col], rows_); });
  return lazy.in_order;
}

const Array<uint32_t>& Table::Ranks(size_t col) const {
  Lazy& lazy = lazy_[col];
  std::call_once(lazy.ranks_once, [&] {
    lazy.ranks = std::make_unique<Array<uint32_t>>(RankColumn(columns_[col], rows_));
  });
  return *lazy.ranks;
}

std::optional<uint32_t> Table::RowWithInt(size_t col, int64_t value) const {
  Lazy& lazy = lazy_[col];
  const IntData& ints = columns_[col].ints;
  std::call_once(lazy.ints_once, [&] {
    lazy.ints_ascend = true;
    for (size_t r = 1; r < rows_ && lazy.ints_ascend; ++r)
      lazy.ints_ascend = ints[r - 1] <= ints[r];
    if (lazy.ints_ascend) return;
    lazy.by_int.resize(rows_);
    std::iota(lazy.by_int.begin(), lazy.by_int.end(), 0u);
    std::stable_sort(lazy.by_int.begin(), lazy.by_int.end(),
                     [&](uint32_t a, uint32_t b) { return ints[a] < ints[b]; });
  });
  auto holds = [&](uint32_t r) { return !columns_[col].IsNull(r) && ints[r] == value; };
  if (lazy.ints_ascend) {
    // Nulls read as 0 in the order; a null row with 0 beside a real 0 is stepped over.
    size_t low = 0, high = rows_;
    while (low < high) {
      size_t mid = low + (high - low) / 2;
      if (ints[mid] < value) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    for (size_t r = low; r < rows_ && ints[r] == value; ++r) {
      if (holds(static_cast<uint32_t>(r))) return static_cast<uint32_t>(r);
    }
    return std::nullopt;
  }
  auto at = std::lower_bound(lazy.by_int.begin(), lazy.by_int.end(), value,
                             [&](uint32_t r, int64_t v) { return ints[r] < v; });
  for (; at != lazy.by_int.end() && ints[*at] == value; ++at) {
    if (holds(*at)) return *at;
  }
  return std::nullopt;
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

  std::vector<const Array<uint32_t>*> ranks;
  for (const SortKey& k : keys) ranks.push_back(&Ranks(k.column));
  auto perm = std::make_shared<Permutation>();
  perm->order.resize(rows_);
  std::iota(perm->order.begin(), perm->order.end(), 0u);
  auto less = [&](uint32_t a, uint32_t b) {
    for (size_t i = 0; i < keys.size(); ++i) {
      uint32_t ra = (*ranks[i])[a];
      uint32_t rb = (*ranks[i])[b];
      if (ra != rb) return keys[i].descending ? ra > rb : ra < rb;
    }
    return false;
  };
  if (!std::is_sorted(perm->order.begin(), perm->order.end(), less)) {
    std::stable_sort(perm->order.begin(), perm->order.end(), less);
  }
  perm->position.resize(rows_);
  for (uint32_t i = 0; i < rows_; ++i) perm->position[perm->order[i]] = i;
  if (orders_.size() >= kKeptOrders) orders_.erase(orders_.begin());
  orders_.emplace_back(name, perm);
  return perm;
}

}  // namespace glnamelist::recordset

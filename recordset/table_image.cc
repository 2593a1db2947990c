#include "recordset/table_image.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "contracts/error.h"
#include "recordset/phrases.h"
#include "recordset/postings.h"
#include "recordset/table_data.h"
#include "recordset/table_recordset.h"

namespace glnamelist::recordset {
namespace {

constexpr uint32_t kMagic = 0x334C4254;  // "TBL3"

// Which structures follow a column's values.
constexpr uint32_t kFoldsKnown = 1;
constexpr uint32_t kFoldsToItself = 2;
constexpr uint32_t kSorted = 4;
constexpr uint32_t kRanks = 8;
constexpr uint32_t kSmallKnown = 16;
constexpr uint32_t kSmall = 32;
constexpr uint32_t kInOrderKnown = 64;
constexpr uint32_t kInOrder = 128;
constexpr uint32_t kPostings = 256;  // and the next two bits, one per kind of key
constexpr uint32_t kPhrases = 2048;

template <class T>
void PutArray(ImageWriter& out, const Array<T>& a, size_t align = 8) {
  out.Elements(a.data(), a.size(), align);
}

void PutText(ImageWriter& out, const TextData& text) {
  PutArray(out, text.offsets);
  PutArray(out, text.bytes);
}

TextData GetText(ImageReader& in, size_t rows) {
  TextData text{Array<char>(), in.Elements<uint32_t>()};
  text.bytes = in.Elements<char>();
  if (text.offsets.size() != rows + 1 || text.offsets[rows] != text.bytes.size() ||
      text.offsets[0] != 0) {
    ImageReader::Damaged();
  }
  return text;
}

void PutFrozen(ImageWriter& out, const RowSet& set) {
  std::string frozen(set.FrozenSize(), '\0');
  set.Freeze(frozen.data());
  out.Elements(frozen.data(), frozen.size(), kFrozenAlign);
}

RowSet GetFrozen(ImageReader& in) {
  Array<char> frozen = in.Elements<char>(kFrozenAlign);
  return RowSet::View(frozen.data(), frozen.size());
}

void PutPostings(ImageWriter& out, const Postings& postings) {
  const Postings::Parts& p = postings.parts();
  PutArray(out, p.hashed_keys);
  PutArray(out, p.starts);
  PutArray(out, p.counts);
  PutArray(out, p.bytes, kFrozenAlign);
}

std::unique_ptr<Postings> GetPostings(ImageReader& in) {
  Postings::Parts p;
  p.hashed_keys = in.Elements<uint64_t>();
  p.starts = in.Elements<uint64_t>();
  p.counts = in.Elements<uint32_t>();
  p.bytes = in.Elements<char>(kFrozenAlign);
  // Each list's place is checked when it is looked up.
  const size_t slots = p.counts.size();
  if (slots != kDirectKeys + p.hashed_keys.size() || p.starts.size() != slots + 1) {
    ImageReader::Damaged();
  }
  return std::make_unique<Postings>(std::move(p));
}

// The frequent phrases of a name column: each of their sets once (phrases of the same rows
// share one), then each phrase's text and the number of its set.
void PutPhrases(ImageWriter& out, const Phrases& phrases) {
  std::vector<const RowSet*> sets;
  std::unordered_map<size_t, std::vector<uint64_t>> sets_of_count;  // shared sets count alike
  std::vector<uint64_t> set_of;
  for (const auto& entry : phrases.entries()) {
    const RowSet& rows = entry.second;
    std::vector<uint64_t>& alike = sets_of_count[rows.count()];
    auto it = std::find_if(alike.begin(), alike.end(),
                           [&](uint64_t s) { return sets[s]->SharesWith(rows); });
    if (it == alike.end()) {
      alike.push_back(sets.size());
      sets.push_back(&rows);
      it = alike.end() - 1;
    }
    set_of.push_back(*it);
  }
  out.Put<uint64_t>(sets.size());
  for (const RowSet* rows : sets) PutFrozen(out, *rows);
  out.Put<uint64_t>(set_of.size());
  for (size_t i = 0; i < set_of.size(); ++i) {
    out.Text(phrases.entries()[i].first);
    out.Put<uint64_t>(set_of[i]);
  }
}

std::unique_ptr<Phrases> GetPhrases(ImageReader& in, size_t rows) {
  std::vector<RowSet> sets;
  for (uint64_t n = in.Get<uint64_t>(); sets.size() < n;) {
    sets.push_back(GetFrozen(in));
    if (sets.back().count() > 0 && sets.back().Max() >= rows) ImageReader::Damaged();
  }
  Phrases::Entries entries;
  for (uint64_t n = in.Get<uint64_t>(); entries.size() < n;) {
    std::string text(in.Text());
    const uint64_t set = in.Get<uint64_t>();
    if (set >= sets.size() || (!entries.empty() && entries.back().first >= text)) {
      ImageReader::Damaged();  // Find looks phrases up by text
    }
    entries.emplace_back(std::move(text), sets[set]);
  }
  return std::make_unique<Phrases>(std::move(entries));
}

void PutValues(ImageWriter& out, const ColumnStore& col) {
  out.Text(col.name);
  out.Put<uint32_t>(static_cast<uint32_t>(col.type));
  out.Put<int64_t>(col.ints.base());
  out.Put<int64_t>(col.ints.step());
  out.Put<int64_t>(col.ints.width());
  PutArray(out, col.ints.deltas());
  PutArray(out, col.doubles);
  if (col.type == ColumnType::kText) PutText(out, col.text);
  PutArray(out, col.nulls);
}

ColumnStore GetValues(ImageReader& in, size_t rows) {
  ColumnStore col;
  col.name = std::string(in.Text());
  uint32_t type = in.Get<uint32_t>();
  if (type > static_cast<uint32_t>(ColumnType::kText)) ImageReader::Damaged();
  col.type = static_cast<ColumnType>(type);
  int64_t base = in.Get<int64_t>(), step = in.Get<int64_t>(), width = in.Get<int64_t>();
  Array<uint8_t> deltas = in.Elements<uint8_t>();
  if ((width != 0 && width != 1 && width != 2 && width != 4 && width != 8) ||
      deltas.size() != (col.type == ColumnType::kInteger || col.type == ColumnType::kBool
                            ? rows * static_cast<size_t>(width)
                            : 0)) {
    ImageReader::Damaged();
  }
  size_t int_rows = col.type == ColumnType::kInteger || col.type == ColumnType::kBool ? rows : 0;
  col.ints = IntData(base, step, static_cast<int>(width), std::move(deltas), int_rows);
  col.doubles = in.Elements<double>();
  if (col.doubles.size() != (col.type == ColumnType::kDouble ? rows : 0)) ImageReader::Damaged();
  if (col.type == ColumnType::kText) col.text = GetText(in, rows);
  col.nulls = in.Elements<uint8_t>();
  if (!col.nulls.empty() && col.nulls.size() != rows) ImageReader::Damaged();
  return col;
}

bool Listed(const std::vector<std::string>& names, const Table& table, size_t col) {
  for (const std::string& name : names) {
    if (table.FindColumn(name) == static_cast<int>(col)) return true;
  }
  return false;
}

void PutLookups(ImageWriter& out, const Table& table, size_t c, const LookupColumns& columns) {
  const ColumnStore& col = table.column(c);
  const bool text = col.type == ColumnType::kText;
  const bool code = text && Listed(columns.codes, table, c);
  const bool name = text && Listed(columns.names, table, c);
  const bool sorted = Listed(columns.sorted, table, c);
  uint32_t has = 0;
  if (code || name) has |= kFoldsKnown | (table.FoldsToItself(c) ? kFoldsToItself : 0);
  if (code) has |= kSorted | kInOrderKnown | (table.InRankOrder(c) ? kInOrder : 0);
  if (sorted) has |= kRanks;
  const SmallValueSet* small = text ? nullptr : table.SmallValues(c);
  if (col.type == ColumnType::kInteger || col.type == ColumnType::kBool) {
    has |= kSmallKnown | (small ? kSmall : 0);
  }
  if (name) has |= kPostings * 7 | kPhrases;
  out.Put<uint32_t>(has);
  if (has & kSorted) {
    const TextOrder& order = table.SortedByFoldedText(c);
    out.Put<uint64_t>(order.identity ? 1 : 0);
    out.Put<uint64_t>(order.count);
    PutArray(out, order.rows);
  }
  if (has & kRanks) PutArray(out, table.Ranks(c));
  if (has & kSmall) {
    out.Elements(small->values.data(), small->values.size());
    for (const RowSet& rows : small->rows) PutFrozen(out, rows);
  }
  for (size_t k = 0; k < Postings::kKinds; ++k) {
    if (has & (kPostings << k)) PutPostings(out, table.PostingsOf(c, Postings::Keys(k)));
  }
  if (has & kPhrases) PutPhrases(out, table.PhrasesOf(c));
}

ColumnLookups GetLookups(ImageReader& in, size_t rows) {
  ColumnLookups b;
  uint32_t has = in.Get<uint32_t>();
  if (has & kFoldsKnown) b.folds_to_itself = (has & kFoldsToItself) != 0;
  if (has & kSorted) {
    b.sorted = std::make_unique<TextOrder>();
    b.sorted->identity = in.Get<uint64_t>() != 0;
    b.sorted->count = in.Get<uint64_t>();
    b.sorted->rows = in.Elements<uint32_t>();
    if (b.sorted->count > rows ||
        (b.sorted->identity ? b.sorted->count != rows : b.sorted->rows.size() != b.sorted->count)) {
      ImageReader::Damaged();
    }
  }
  if (has & kRanks) {
    b.ranks = std::make_unique<Array<uint32_t>>(in.Elements<uint32_t>());
    if (b.ranks->size() != rows) ImageReader::Damaged();
  }
  b.small_known = (has & kSmallKnown) != 0;
  if (has & kSmall) {
    b.small = std::make_unique<SmallValueSet>();
    Array<int64_t> values = in.Elements<int64_t>();
    if (values.size() > SmallValueSet::kMaxValues) ImageReader::Damaged();
    b.small->values.assign(values.begin(), values.end());
    for (size_t i = 0; i < values.size(); ++i) b.small->rows.push_back(GetFrozen(in));
  }
  if (has & kInOrderKnown) b.in_order = (has & kInOrder) != 0;
  for (size_t k = 0; k < Postings::kKinds; ++k) {
    if (has & (kPostings << k)) b.postings[k] = GetPostings(in);
  }
  if (has & kPhrases) b.phrases = GetPhrases(in, rows);
  return b;
}

}  // namespace

void ImageWriter::Bytes(std::string_view bytes) {
  sink_(bytes);
  offset_ += bytes.size();
}

void ImageWriter::Text(std::string_view text) {
  Put<uint64_t>(text.size());
  Bytes(text);
  Align(8);
}

void ImageWriter::Align(size_t to) {
  static const char kZeros[64] = {};
  size_t pad = (to - offset_ % to) % to;
  Bytes(std::string_view(kZeros, pad));
}

void ImageReader::Damaged() { ImageDamaged(); }

const char* ImageReader::Bytes(size_t n) {
  if (n > size_ - offset_) Damaged();
  const char* at = base_ + offset_;
  offset_ += n;
  return at;
}

std::string_view ImageReader::Text() {
  uint64_t n = Get<uint64_t>();
  if (n > size_ - offset_) Damaged();
  std::string_view text(Bytes(n), n);
  Align(8);
  return text;
}

void ImageReader::Align(size_t to) {
  size_t pad = (to - offset_ % to) % to;
  Bytes(pad);
}

void WriteTableImage(const Recordset& rs, const LookupColumns& columns, ImageWriter& out) {
  const auto* view = dynamic_cast<const TableRecordset*>(&rs);
  if (!view) throw Error(errc::kTypeMismatch, "Type mismatch: not a record set of this engine");
  if (view->table()->patch()) {
    // A version is written as the table of its rows.
    std::vector<size_t> all(view->table()->column_count());
    std::iota(all.begin(), all.end(), size_t{0});
    return WriteTableImage(TableRecordset(TableRecordset(view->table()).VisibleTable(all)), columns,
                           out);
  }
  const Table& table = *view->table();
  out.Align(8);
  out.Put<uint32_t>(kMagic);
  out.Put<uint32_t>(static_cast<uint32_t>(table.column_count()));
  out.Put<uint64_t>(table.row_count());
  for (size_t c = 0; c < table.column_count(); ++c) {
    PutValues(out, table.column(c));
    PutLookups(out, table, c, columns);
  }
}

RecordsetPtr ReadTableImage(ImageReader& in) {
  in.Align(8);
  if (in.Get<uint32_t>() != kMagic) ImageReader::Damaged();
  uint32_t column_count = in.Get<uint32_t>();
  uint64_t rows = in.Get<uint64_t>();
  if (column_count > 4096 || rows > UINT32_MAX) ImageReader::Damaged();
  std::vector<ColumnStore> columns;
  std::vector<ColumnLookups> built;
  for (uint32_t c = 0; c < column_count; ++c) {
    columns.push_back(GetValues(in, rows));
    built.push_back(GetLookups(in, rows));
  }
  return std::make_shared<TableRecordset>(
      std::make_shared<const Table>(std::move(columns), rows, std::move(built)));
}

}  // namespace glnamelist::recordset

#include "recordset/row_set.h"

namespace glnamelist::recordset {

void Bitmap::And(const Bitmap& other) {
  for (size_t i = 0; i < words_.size(); ++i) words_[i] &= other.words_[i];
}

void Bitmap::Or(const Bitmap& other) {
  for (size_t i = 0; i < words_.size(); ++i) words_[i] |= other.words_[i];
}

size_t Bitmap::Count() const {
  size_t n = 0;
  for (uint64_t w : words_) n += static_cast<size_t>(__builtin_popcountll(w));
  return n;
}

std::vector<uint32_t> Bitmap::Ids(size_t count_hint) const {
  std::vector<uint32_t> ids;
  ids.reserve(count_hint);
  ForEach([&](uint32_t i) { ids.push_back(i); });
  return ids;
}

RowSet RowSet::FromIds(std::vector<uint32_t> ids) {
  RowSet s;
  s.count = ids.size();
  s.ids = std::move(ids);
  return s;
}

RowSet RowSet::FromBitmap(Bitmap bits) {
  RowSet s;
  s.dense = true;
  s.count = bits.Count();
  s.bits = std::move(bits);
  return s;
}

Bitmap RowSet::ToBitmap(size_t rows) const {
  if (dense) return bits;
  Bitmap b(rows);
  for (uint32_t id : ids) b.Set(id);
  return b;
}

std::vector<uint32_t> RowSet::ToIds() const { return dense ? bits.Ids(count) : ids; }

}  // namespace glnamelist::recordset

// The frequent phrases of a text column and their rows: every run of three or more code
// points (four or more when all are ASCII, whose triples the posting lists answer already)
// that at least a given number of rows hold, with exactly those rows.
//
// A contains pattern of many rows is what a clerk types most (the words a ledger's names are
// made of: 有限公司, 经营部, Q235). Intersecting the lists of its pairs gives candidates that
// must each be checked, which for hundreds of thousands of rows costs far more than a
// keystroke may; a phrase's own list gives the rows, their count and the first of them at
// once. A pattern that is no frequent phrase is held by fewer rows than the threshold, so
// checking its candidates stays cheap.
//
// Found level by level: a phrase of n code points can be frequent only where the phrases of
// n - 1 starting at its first and second code points are, so each level counts only those
// places (starting from the frequent pairs of the posting lists), and the rows of the
// frequent ones are written down in the same pass that marks them for the next level.
#ifndef GLNAMELIST_RECORDSET_PHRASES_H_
#define GLNAMELIST_RECORDSET_PHRASES_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "recordset/column_store.h"
#include "recordset/postings.h"
#include "recordset/row_set.h"

namespace glnamelist::recordset {

class Phrases {
 public:
  // Phrases of at most this many code points are found.
  static constexpr size_t kMaxLength = 6;
  // Each phrase (folded) and its rows, by text; phrases whose rows are the same share a set.
  using Entries = std::vector<std::pair<std::string, RowSet>>;

  Phrases() = default;
  // Phrases found before (read back from a table's image), sorted by text.
  explicit Phrases(Entries entries) : phrases_(std::move(entries)) {}

  // The phrases of the texts (folded first when fold is set) held by at least min_rows rows;
  // pairs: the texts' pair lists.
  static std::unique_ptr<Phrases> Build(const TextData& text, bool fold, const Postings& pairs,
                                        size_t min_rows);
  // The threshold Build is given for a table of rows rows.
  static size_t MinRows(size_t rows);

  // The rows holding the folded text, when it is a frequent phrase; null otherwise.
  const RowSet* Find(std::string_view folded) const;
  size_t size() const { return phrases_.size(); }
  const Entries& entries() const { return phrases_; }

 private:
  void ShareEqualSets();

  Entries phrases_;
};

// Whether a contains pattern of these code points is one a phrase may answer (rather than a
// posting list alone).
bool PhraseShaped(const std::vector<int32_t>& code_points);

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_PHRASES_H_

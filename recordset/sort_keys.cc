#include "recordset/sort_keys.h"

#include <string>

#include "contracts/text.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsNameChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         u >= 0x80;
}

class SortReader {
 public:
  explicit SortReader(std::string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ >= text_.size();
  }
  bool Take(char c) {
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // A name or a bracketed name; refuses anything else.
  std::string Name(bool* bracketed) {
    SkipSpace();
    *bracketed = pos_ < text_.size() && text_[pos_] == '[';
    if (*bracketed) {
      size_t end = text_.find(']', pos_ + 1);
      if (end == std::string_view::npos) RefuseArgument();
      std::string name(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return name;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    if (start == pos_) RefuseArgument();
    return std::string(text_.substr(start, pos_ - start));
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<SortKey> ParseSort(std::string_view text, const ColumnLookup& lookup) {
  if (!text::IsValidUtf8(text)) RefuseArgument();
  std::vector<SortKey> keys;
  SortReader reader(text);
  if (reader.AtEnd()) return keys;
  for (;;) {
    bool bracketed = false;
    std::string name = reader.Name(&bracketed);
    bool descending = false;
    bool more = reader.Take(',');
    if (!more && !reader.AtEnd()) {
      bool word_bracketed = false;
      std::string word = Folded(reader.Name(&word_bracketed));
      if (word_bracketed || (word != "asc" && word != "desc")) RefuseArgument();
      descending = word == "desc";
      more = reader.Take(',');
      if (!more && !reader.AtEnd()) RefuseArgument();
    }
    int column = lookup(name);
    if (column < 0) UnknownField();
    keys.push_back(SortKey{static_cast<size_t>(column), descending});
    if (!more) break;
  }
  return keys;
}

}  // namespace glnamelist::recordset

#include "listkit/marks.h"

namespace glnamelist::listkit {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::vector<std::pair<size_t, size_t>> FindAll(std::string_view text, std::string_view needle) {
  std::vector<std::pair<size_t, size_t>> hits;
  if (needle.empty() || needle.size() > text.size()) return hits;
  size_t i = 0;
  while (i + needle.size() <= text.size()) {
    bool match = true;
    for (size_t k = 0; k < needle.size(); ++k) {
      if (FoldAscii(text[i + k]) != FoldAscii(needle[k])) {
        match = false;
        break;
      }
    }
    if (match) {
      hits.emplace_back(i, i + needle.size());
      i += needle.size();
    } else {
      ++i;
    }
  }
  return hits;
}

}  // namespace glnamelist::listkit

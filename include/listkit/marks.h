// Where the typed text stands in a row's text, for a list to mark it.
#ifndef GLNAMELIST_LISTKIT_MARKS_H_
#define GLNAMELIST_LISTKIT_MARKS_H_

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "contracts/api.h"

namespace glnamelist::listkit {

// Byte ranges [begin, end) of the non-overlapping occurrences of needle in text (both
// UTF-8), found from the left; letters A-Z match a-z. An empty needle occurs nowhere.
GLNAMELIST_API std::vector<std::pair<size_t, size_t>> FindAll(std::string_view text,
                                                              std::string_view needle);

}  // namespace glnamelist::listkit

#endif  // GLNAMELIST_LISTKIT_MARKS_H_

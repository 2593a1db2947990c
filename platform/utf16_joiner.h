// Joins the UTF-16 units that WM_CHAR messages carry into characters.
#ifndef GLNAMELIST_PLATFORM_UTF16_JOINER_H_
#define GLNAMELIST_PLATFORM_UTF16_JOINER_H_

#include <string>

#include "contracts/api.h"

namespace glnamelist::platform {

class GLNAMELIST_INTERNAL Utf16Joiner {
 public:
  // The characters that unit (the low 16 bits of a WM_CHAR's wParam) completes: none for a
  // high surrogate, which waits for its partner; the character of a low surrogate that
  // follows one; otherwise the unit's own character, after U+FFFD for a high surrogate left
  // without its partner. A low surrogate without a high one is U+FFFD.
  std::u32string Add(long unit);
  // Forgets a high surrogate still waiting.
  void Reset() { high_ = 0; }

 private:
  long high_ = 0;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_UTF16_JOINER_H_

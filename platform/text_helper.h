// The library's string helper.
#ifndef GLNAMELIST_PLATFORM_TEXT_HELPER_H_
#define GLNAMELIST_PLATFORM_TEXT_HELPER_H_

#include <string>
#include <vector>

#include "contracts/text_helper.h"

namespace glnamelist::platform {

class StandardTextHelper : public TextHelper {
 public:
  // One pass over the template: "%1".."%9" become the display text of argument 1..9
  // (null and empty as the empty text) when it exists, every other character is copied.
  // Replacement text is not looked at again; "%10" is argument 1 followed by "0".
  std::string FormatArgs(const std::string& Template, const std::vector<Variant>& Args) override;
  // The first min(Length, Buffer.size()) bytes of Buffer, shortened to the last whole
  // character and ended at the first NUL byte; empty for Length <= 0.
  std::string BufferText(const std::string& Buffer, long Length) override;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_TEXT_HELPER_H_

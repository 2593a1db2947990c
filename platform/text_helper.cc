#include "platform/text_helper.h"

#include <algorithm>

#include "contracts/text.h"

namespace glnamelist::platform {

std::string StandardTextHelper::FormatArgs(const std::string& Template,
                                           const std::vector<Variant>& Args) {
  std::string out;
  out.reserve(Template.size());
  for (size_t i = 0; i < Template.size(); ++i) {
    char c = Template[i];
    if (c == '%' && i + 1 < Template.size()) {
      char d = Template[i + 1];
      if (d >= '1' && d <= '9' && static_cast<size_t>(d - '0') <= Args.size()) {
        out += Args[static_cast<size_t>(d - '1')].ToDisplayText();
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::string StandardTextHelper::BufferText(const std::string& Buffer, long Length) {
  if (Length <= 0) return "";
  size_t limit = std::min(static_cast<size_t>(Length), Buffer.size());
  std::string_view bytes(Buffer.data(), text::PrefixLength(Buffer, limit));
  return std::string(bytes.substr(0, bytes.find('\0')));
}

}  // namespace glnamelist::platform

#include "platform/utf16_joiner.h"

#include "contracts/text.h"

namespace glnamelist::platform {
namespace {

bool IsHighSurrogate(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u32string Utf16Joiner::Add(long unit) {
  unit &= 0xFFFF;
  long high = high_;
  high_ = 0;
  if (high != 0 && IsLowSurrogate(unit)) {
    return {static_cast<char32_t>(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00))};
  }
  std::u32string out;
  if (high != 0) out += text::kReplacementChar;
  if (IsHighSurrogate(unit)) {
    high_ = unit;
  } else {
    out += IsLowSurrogate(unit) ? text::kReplacementChar : static_cast<char32_t>(unit);
  }
  return out;
}

}  // namespace glnamelist::platform

#include "apps/voucher/money.h"

#include <algorithm>
#include <string>

#include "contracts/text.h"

namespace glnamelist::voucher {

std::string Narrowed(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    text::Decoded d = text::DecodeAt(text, at);
    char32_t c = d.code;
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFF01 - 0x21;
    if (c == 0x3002) c = '.';
    text::AppendUtf8(out, c);
    at += d.length;
  }
  return out;
}

namespace {

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

// The digits of the whole part without its separators: commas, when there are any, stand
// between groups of three ("1,234,567").
bool WholeDigits(std::string_view whole, std::string& digits, std::string* why) {
  bool grouped = whole.find(',') != std::string_view::npos;
  size_t group = 0;  // digits since the last comma
  for (size_t i = 0; i < whole.size(); ++i) {
    char c = whole[i];
    if (c == ',') {
      if (group == 0 || group > 3 || (digits.size() > group && group != 3)) {
        return Fail(why, "千位分隔符的位置不对");
      }
      group = 0;
    } else if (c >= '0' && c <= '9') {
      digits += c;
      ++group;
    } else {
      return Fail(why, "不是数字");
    }
  }
  if (grouped && group != 3) return Fail(why, "千位分隔符的位置不对");
  return true;
}

}  // namespace

namespace {

// "最多两位小数", "最多六位小数".
std::string AtMostPlaces(int places) {
  static const char* const kCount[] = {"零", "一", "两", "三", "四", "五", "六"};
  return std::string("最多") + kCount[std::clamp(places, 0, 6)] + "位小数";
}

// The text of a figure of at most `places` places, as a whole number of 10^-places; at
// most whole_digits digits before the point, else too_big is the reason.
std::optional<int64_t> Scaled(std::string_view typed, int places, size_t whole_digits,
                              const std::string& too_big, std::string* why) {
  std::string narrowed = Narrowed(typed);
  std::string_view text = text::Trim(narrowed, " \t");
  if (text.empty()) return 0;
  bool negative = text.front() == '-';
  if (negative || text.front() == '+') text.remove_prefix(1);
  size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  std::string digits;
  if (!WholeDigits(whole, digits, why)) return std::nullopt;
  if (fraction.find_first_not_of("0123456789") != std::string_view::npos ||
      (digits.empty() && fraction.empty())) {
    Fail(why, "不是数字");
    return std::nullopt;
  }
  if (fraction.size() > static_cast<size_t>(places)) {
    Fail(why, AtMostPlaces(places));
    return std::nullopt;
  }
  size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "" : digits.substr(first);
  if (digits.size() > whole_digits) {
    Fail(why, too_big);
    return std::nullopt;
  }
  std::string all = digits + std::string(fraction) +
                    std::string(static_cast<size_t>(places) - fraction.size(), '0');
  int64_t scaled = 0;
  for (char c : all) scaled = scaled * 10 + (c - '0');
  return negative ? -scaled : scaled;
}

// "1,234,567" from the digits of a whole number.
std::string Grouped(const std::string& whole) {
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  return grouped;
}

}  // namespace

std::optional<Money> Money::Parse(std::string_view typed, std::string* why) {
  std::optional<int64_t> cents = Scaled(typed, 2, 13, "金额太大，最大 " + MaxText(), why);
  if (!cents) return std::nullopt;
  return Money(*cents);
}

std::optional<Figure> Figure::Parse(std::string_view text, int places, std::string* why) {
  std::optional<int64_t> scaled = Scaled(text, places, 12, "数太大", why);
  if (!scaled) return std::nullopt;
  return Figure{*scaled, places};
}

std::string Figure::Text() const {
  uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : scaled;
  uint64_t unit = 1;
  for (int i = 0; i < places; ++i) unit *= 10;
  std::string fraction = std::to_string(magnitude % unit);
  fraction = std::string(static_cast<size_t>(places) - fraction.size(), '0') + fraction;
  fraction.erase(fraction.find_last_not_of('0') + 1);
  return (scaled < 0 ? "-" : "") + Grouped(std::to_string(magnitude / unit)) +
         (fraction.empty() ? "" : "." + fraction);
}

// Wide enough for the product of any two figures before it is rounded to cents.
__extension__ typedef __int128 WideProduct;

std::optional<Money> Product(const Figure& a, const Figure& b) {
  WideProduct product = static_cast<WideProduct>(a.scaled) * b.scaled;
  int places = a.places + b.places;
  for (; places < 2; ++places) product *= 10;
  WideProduct unit = 1;
  for (int i = 2; i < places; ++i) unit *= 10;
  const bool negative = product < 0;
  WideProduct magnitude = negative ? -product : product;
  WideProduct cents = magnitude / unit + (magnitude % unit * 2 >= unit ? 1 : 0);
  if (cents > Money::kMaxCents) return std::nullopt;
  return Money::FromCents(static_cast<int64_t>(negative ? -cents : cents));
}

std::string InCapitals(Money amount) {
  static const char* const kDigits[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
  static const char* const kPlaces[] = {"", "拾", "佰", "仟"};
  const int64_t cents = amount.cents();
  uint64_t magnitude = cents < 0 ? 0 - static_cast<uint64_t>(cents) : cents;
  const uint64_t yuan = magnitude / 100;
  const unsigned jiao = static_cast<unsigned>(magnitude / 10 % 10);
  const unsigned fen = static_cast<unsigned>(magnitude % 10);
  std::string out = cents < 0 ? "负" : "";
  // Groups of four digits, 万 and 亿 between them; a run of zeros between digits is one 零.
  unsigned groups[4] = {};
  for (uint64_t rest = yuan, i = 0; i < 4; ++i, rest /= 10000) {
    groups[i] = static_cast<unsigned>(rest % 10000);
  }
  bool started = false, zero = false;
  for (int g = 3; g >= 0; --g) {
    for (int place = 3; place >= 0; --place) {
      unsigned digit = groups[g] /
                       (place == 3   ? 1000
                        : place == 2 ? 100
                        : place == 1 ? 10
                                     : 1) %
                       10;
      if (digit == 0) {
        zero = zero || started;
        continue;
      }
      if (zero) out += "零";
      out += std::string(kDigits[digit]) + kPlaces[place];
      started = true;
      zero = false;
    }
    if (groups[g] != 0 && g == 3) out += groups[2] == 0 ? "万亿" : "万";
    if (groups[g] != 0 && g == 2) out += "亿";
    if (groups[g] != 0 && g == 1) out += "万";
  }
  if (started) out += "元";
  if (jiao == 0 && fen == 0) return out + (started ? "整" : "零元整");
  if (jiao != 0) out += std::string(kDigits[jiao]) + "角";
  if (fen != 0) out += std::string(started && jiao == 0 ? "零" : "") + kDigits[fen] + "分";
  return out;
}

bool Money::Typing(std::string_view text, std::string* why) {
  if (Parse(text, why)) return true;
  // The start of an amount: some digits or a separator added make one.
  for (const char* more : {"0", "00", "000"}) {
    if (Parse(std::string(text) + more)) return true;
  }
  return false;
}

std::string Money::Text() const {
  uint64_t magnitude = cents_ < 0 ? 0 - static_cast<uint64_t>(cents_) : cents_;
  unsigned rest = static_cast<unsigned>(magnitude % 100);
  return (cents_ < 0 ? "-" : "") + Grouped(std::to_string(magnitude / 100)) + "." +
         char('0' + rest / 10) + char('0' + rest % 10);
}

}  // namespace glnamelist::voucher

#include "apps/voucher/money.h"

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

std::optional<Money> Money::Parse(std::string_view typed, std::string* why) {
  std::string narrowed = Narrowed(typed);
  std::string_view text = text::Trim(narrowed, " \t");
  if (text.empty()) return Money();
  bool negative = text.front() == '-';
  if (negative || text.front() == '+') text.remove_prefix(1);
  size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view places = point == std::string_view::npos ? "" : text.substr(point + 1);
  std::string digits;
  if (!WholeDigits(whole, digits, why)) return std::nullopt;
  if (places.find_first_not_of("0123456789") != std::string_view::npos) {
    Fail(why, "不是数字");
    return std::nullopt;
  }
  if (places.size() > 2) {
    Fail(why, "最多两位小数");
    return std::nullopt;
  }
  if (digits.empty() && places.empty()) {
    Fail(why, "不是数字");
    return std::nullopt;
  }
  size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "" : digits.substr(first);
  if (digits.size() > 13) {
    Fail(why, "金额太大，最大 " + MaxText());
    return std::nullopt;
  }
  int64_t cents = 0;
  for (char c : digits) cents = cents * 10 + (c - '0');
  std::string cent_digits = std::string(places) + std::string(2 - places.size(), '0');
  cents = cents * 100 + (cent_digits[0] - '0') * 10 + (cent_digits[1] - '0');
  return Money(negative ? -cents : cents);
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
  std::string whole = std::to_string(magnitude / 100);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  unsigned rest = static_cast<unsigned>(magnitude % 100);
  return (cents_ < 0 ? "-" : "") + grouped + "." + char('0' + rest / 10) + char('0' + rest % 10);
}

}  // namespace glnamelist::voucher

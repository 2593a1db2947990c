// Amounts of money as a bookkeeper writes them: exact decimals of at most two places, held
// as whole cents (never binary floating point).
#ifndef GLNAMELIST_APPS_VOUCHER_MONEY_H_
#define GLNAMELIST_APPS_VOUCHER_MONEY_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glnamelist::voucher {

class Money {
 public:
  // The largest amount one line takes: 9,999,999,999,999.99. A thousand lines of it still
  // add up within 64 bits.
  static constexpr int64_t kMaxCents = 999'999'999'999'999;

  constexpr Money() = default;
  static constexpr Money FromCents(int64_t cents) { return Money(cents); }

  // Reads an amount as typed: digits with an optional sign, thousands separated by commas
  // or not, and at most two places after the point ("1234.5", "1,234.50", "-0.10",
  // "１２３．４"; full-width digits and marks count as their ASCII twins). Blanks around it
  // are ignored; the empty text is zero. Anything else is nullopt, with why set to the
  // reason in the form's language.
  static std::optional<Money> Parse(std::string_view text, std::string* why = nullptr);
  // Whether text, as it is being typed, is an amount or the start of one ("-", "12.",
  // "1,23"); else false with why set as Parse sets it.
  static bool Typing(std::string_view text, std::string* why = nullptr);
  // "9,999,999,999,999.99", as the form states it.
  static std::string MaxText() { return FromCents(kMaxCents).Text(); }

  int64_t cents() const { return cents_; }
  bool IsZero() const { return cents_ == 0; }
  // "1,234.50", "-0.10", "0.00".
  std::string Text() const;

  Money operator+(Money other) const { return Money(cents_ + other.cents_); }
  Money operator-(Money other) const { return Money(cents_ - other.cents_); }
  Money& operator+=(Money other) { return *this = *this + other; }
  auto operator<=>(const Money&) const = default;

 private:
  constexpr explicit Money(int64_t cents) : cents_(cents) {}
  int64_t cents_ = 0;
};

// text with full-width ASCII (U+FF01..U+FF5E, what a Chinese input method types) turned
// into ASCII and the ideographic full stop into a point.
std::string Narrowed(std::string_view text);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_MONEY_H_

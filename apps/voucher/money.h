// Amounts of money as a bookkeeper writes them: exact decimals of at most two places, held
// as whole cents (never binary floating point); the other figures of a line (rates,
// quantities, unit prices) as exact decimals too, and the one rule by which a product of two
// of them becomes an amount.
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

// A figure of a line that is not an amount: a rate, a quantity or a unit price, exact to
// `places` decimal places, held as a whole number of 10^-places.
struct Figure {
  int64_t scaled = 0;
  int places = 0;

  // Reads a figure as Money::Parse reads an amount (blanks, commas, full-width digits), with
  // at most `places` places and at most twelve digits before the point; the empty text is
  // zero. Anything else is nullopt, with why set to the reason in the form's language.
  static std::optional<Figure> Parse(std::string_view text, int places, std::string* why = nullptr);
  static Figure Of(Money amount) { return {amount.cents(), 2}; }
  bool IsZero() const { return scaled == 0; }
  // "7.123456", "7.1", "1,200" (places that are zeros left out), "0".
  std::string Text() const;
};

// The places of a rate, and of a quantity and a unit price.
inline constexpr int kRatePlaces = 6;
inline constexpr int kQuantityPlaces = 4;

// The amount a times b comes to: their exact product rounded to the cent, a half cent away
// from zero (0.005 to 0.01, -0.005 to -0.01). nullopt when it is more than Money::kMaxCents
// either way. Every amount a line computes from its figures is made here.
std::optional<Money> Product(const Figure& a, const Figure& b);

// An amount in capitals as a cheque or a voucher writes it: "壹仟贰佰叁拾肆元伍角陆分",
// "壹万零伍元整", "叁角", "零元整"; "负" before one below zero.
std::string InCapitals(Money amount);

// text with full-width ASCII (U+FF01..U+FF5E, what a Chinese input method types) turned
// into ASCII and the ideographic full stop into a point.
std::string Narrowed(std::string_view text);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_MONEY_H_

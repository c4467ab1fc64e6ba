#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace invoice {

// A fixed-point amount with four decimal places: a count of ten-thousandths.
class Decimal {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr Decimal() = default;
  static constexpr Decimal FromUnits(std::int64_t units) { return Decimal(units); }

  constexpr std::int64_t units() const { return units_; }

  friend constexpr auto operator<=>(Decimal, Decimal) = default;

 private:
  constexpr explicit Decimal(std::int64_t units) : units_(units) {}
  std::int64_t units_ = 0;
};

// Reads decimal text. Every "." becomes the decimal mark ","; then: blanks,
// an optional sign, digits, optionally "," and digits, optionally an exponent
// ("E" or "e", optional sign, digits), blanks. At least one digit or the ","
// must come before the exponent. The number is rounded to four decimals,
// halves to even. Throws invoice::Error "'t' is not a valid floating point
// value" (t being the text after the replacement) when the text does not
// fit or the number is out of range.
Decimal ParseDecimal(std::string_view text);
// The same, giving `fallback` instead of failing.
Decimal ParseDecimal(std::string_view text, Decimal fallback);

// "#0.0000" with "," as decimal mark: 12,5000.
std::string FormatFourDecimals(Decimal value);

}  // namespace invoice

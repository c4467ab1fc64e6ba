#include "invoice/decimal.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "invoice/error.h"

namespace invoice {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exponents beyond this make every non-zero number overflow or round to zero;
// clamping keeps the arithmetic below in range for any text.
constexpr std::int64_t kExponentClamp = 100000;

// Parses t (already with "," as decimal mark). Empty when it does not fit the
// syntax or the rounded value does not fit the amount's range.
std::optional<Decimal> Parse(std::string_view t) {
  size_t i = 0;
  const size_t n = t.size();
  while (i < n && t[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';

  // The significant digits, without leading zeros, and the power of ten that
  // scales them: value = digits * 10^exponent.
  std::string digits;
  std::int64_t exponent = 0;
  bool mantissa = false;
  for (; i < n && IsDigit(t[i]); ++i) {
    mantissa = true;
    if (!digits.empty() || t[i] != '0') digits += t[i];
  }
  if (i < n && t[i] == ',') {
    mantissa = true;
    for (++i; i < n && IsDigit(t[i]); ++i) {
      if (!digits.empty() || t[i] != '0') digits += t[i];
      --exponent;
    }
  }
  if (!mantissa) return std::nullopt;
  if (i < n && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    bool exp_negative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) exp_negative = t[i++] == '-';
    std::int64_t e = 0;
    for (; i < n && IsDigit(t[i]); ++i) e = std::min(e * 10 + (t[i] - '0'), kExponentClamp);
    exponent += exp_negative ? -e : e;
  }
  while (i < n && t[i] == ' ') ++i;
  if (i != n) return std::nullopt;
  if (digits.empty()) return Decimal{};

  // Ten-thousandths: keep the digits down to the fourth decimal place and
  // round on the ones dropped.
  const std::int64_t shift = exponent + 4;
  std::string kept = digits;
  bool round_up = false;
  if (shift >= 0) {
    if (shift > 20) return std::nullopt;  // more than 20 digits never fit
    kept.append(static_cast<size_t>(shift), '0');
  } else {
    const std::int64_t drop = -shift;
    const std::int64_t len = static_cast<std::int64_t>(digits.size());
    if (drop > len) {
      kept.clear();  // every digit lies below half a ten-thousandth
    } else {
      kept = digits.substr(0, static_cast<size_t>(len - drop));
      const std::string_view dropped = std::string_view(digits).substr(kept.size());
      const bool rest_nonzero = dropped.find_first_not_of('0', 1) != std::string_view::npos;
      const bool last_odd = !kept.empty() && (kept.back() - '0') % 2 == 1;
      round_up = dropped[0] > '5' || (dropped[0] == '5' && (rest_nonzero || last_odd));
    }
  }
  if (kept.size() > 20) return std::nullopt;
  std::uint64_t magnitude = 0;
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  for (char c : kept) {
    const std::uint64_t d = static_cast<std::uint64_t>(c - '0');
    if (magnitude > (limit - d) / 10) return std::nullopt;
    magnitude = magnitude * 10 + d;
  }
  if (round_up) {
    if (magnitude == limit) return std::nullopt;
    ++magnitude;
  }
  const std::int64_t units =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return Decimal::FromUnits(units);
}

std::string WithComma(std::string_view text) {
  std::string t(text);
  std::replace(t.begin(), t.end(), '.', ',');
  return t;
}

}  // namespace

Decimal ParseDecimal(std::string_view text) {
  const std::string t = WithComma(text);
  if (auto value = Parse(t)) return *value;
  throw Error("'" + t + "' is not a valid floating point value");
}

Decimal ParseDecimal(std::string_view text, Decimal fallback) {
  return Parse(WithComma(text)).value_or(fallback);
}

std::string FormatFourDecimals(Decimal value) {
  const std::int64_t units = value.units();
  const std::uint64_t magnitude =
      units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (units < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "," + fraction;
}

}  // namespace invoice

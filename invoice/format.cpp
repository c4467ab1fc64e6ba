#include "invoice/format.h"

#include "invoice/decimal.h"
#include "invoice/error.h"
#include "invoice/ini_reader.h"

namespace invoice {

Separators& CurrentSeparators() {
  static Separators separators;
  return separators;
}

std::string FormatMoney(std::string_view text) {
  if (text.empty()) return {};
  const std::int64_t units = ParseDecimal(text).units();
  const bool negative = units < 0;
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  // Ten-thousandths to cents, halves to the even cent.
  std::uint64_t cents = magnitude / 100;
  const std::uint64_t rest = magnitude % 100;
  if (rest > 50 || (rest == 50 && cents % 2 == 1)) ++cents;

  const std::string digits = std::to_string(cents / 100);
  std::string out;
  if (negative && cents != 0) out += '-';
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += CurrentSeparators().thousands;
    out += digits[i];
  }
  out += ',';
  out += static_cast<char>('0' + cents % 100 / 10);
  out += static_cast<char>('0' + cents % 10);
  return out;
}

std::string FormatIsoDate(std::string_view text) {
  auto part = [&](size_t from, size_t count) {
    return from < text.size() ? std::string(text.substr(from, count)) : std::string();
  };
  return part(8, 2) + "/" + part(5, 2) + "/" + part(0, 4);
}

std::string ZeroPad(std::int64_t n, int width) {
  const std::string padded = std::string(static_cast<size_t>(width), '0') + std::to_string(n);
  return padded.substr(padded.size() - static_cast<size_t>(width));
}

std::string ApplyMask(std::string_view mask, std::string_view value) {
  std::string result(value);
  size_t p = 1;
  auto insert_literal = [&](char c) { result.insert(p++ - 1, 1, c); };
  for (size_t i = 0; i < mask.size() && mask[i] != ';'; ++i) {
    const char c = mask[i];
    if (c == '\\') {
      if (++i < mask.size()) insert_literal(mask[i]);
    } else if (c == '9') {
      if (result.size() < p) result += ' ';
      ++p;
    } else if (c == '/') {
      insert_literal(CurrentSeparators().date);
    } else {
      insert_literal(c);
    }
  }
  return result;
}

std::string FormatInvoiceNumber(std::int32_t n) {
  return "N\xBA. " + ApplyMask(kInvoiceNumberMask, ZeroPad(n, 9));
}

std::string FormatSeries(std::string_view text) {
  std::int32_t n = 0;
  if (!ParseIniInteger(text, n)) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
  }
  const std::int64_t wide = n;
  const std::uint64_t magnitude =
      wide < 0 ? static_cast<std::uint64_t>(-wide) : static_cast<std::uint64_t>(wide);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return std::string("S\xC9RIE ") + (n < 0 ? "-" : "") + digits;
}

}  // namespace invoice

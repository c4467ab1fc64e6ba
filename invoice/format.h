#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace invoice {

// The separators that printed values use. The document is Brazilian, so the
// defaults are the Brazilian ones whatever the machine's locale; tests may
// set others. The decimal mark is always ",".
struct Separators {
  char thousands = '.';
  char date = '/';
};
Separators& CurrentSeparators();

// Masks for ApplyMask: a pattern of "9" positions and literals ("\" makes the
// next character literal, "/" prints the date separator), then ";" fields.
inline constexpr std::string_view kInvoiceNumberMask = "999\\.999\\.999;0;_";
inline constexpr std::string_view kCnpjMask = "99.999.999/9999-99;0; ";
inline constexpr std::string_view kCpfMask = "999.999.999-99;0; ";
inline constexpr std::string_view kAccessKeyMask =
    "9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999\\ 9999;0";

// "1.234,50": two decimals, halves to even, grouped by threes; the empty text
// stays empty. Throws like ParseDecimal.
std::string FormatMoney(std::string_view text);

// Characters 9-10, "/", 6-7, "/", 1-4 of an ISO date; missing ones are left out.
std::string FormatIsoDate(std::string_view text);

// The last `width` characters of `width` zeros followed by n.
std::string ZeroPad(std::int64_t n, int width);

// Inserts the mask's literals into the value; "9" positions beyond the value
// are filled with spaces, characters beyond the pattern stay at the end.
std::string ApplyMask(std::string_view mask, std::string_view value);

// "Nº. 000.001.234".
std::string FormatInvoiceNumber(std::int32_t n);

// "SÉRIE 001". Throws invoice::Error "'text' is not a valid integer value"
// when the text is not an integer of the data file's syntax.
std::string FormatSeries(std::string_view text);

}  // namespace invoice

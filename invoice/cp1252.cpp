#include "invoice/cp1252.h"

#include <array>
#include <cstdint>

namespace invoice {
namespace {

// Unicode code points of the bytes 0x80..0x9F; the rest equals ISO 8859-1.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char ToByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

// Length of the UTF-8 sequence starting at s[i] and its code point, or 0 when
// the bytes there are not a valid sequence.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& c) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (b >= 0xF5) len = 0;
  if (len == 0 || i + len > s.size()) return 0;
  c = b & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    const auto cont = static_cast<unsigned char>(s[i + k]);
    if ((cont & 0xC0) != 0x80) return 0;
    c = (c << 6) | (cont & 0x3F);
  }
  const char32_t min = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

char32_t Cp1252CodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) AppendUtf8(out, Cp1252CodePoint(static_cast<unsigned char>(b)));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out += utf8[i++];
    } else if (size_t len = DecodeUtf8(utf8, i, c)) {
      out += ToByte(c);
      i += len;
    } else {
      out += utf8[i++];
    }
  }
  return out;
}

}  // namespace invoice

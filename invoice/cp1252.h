#pragma once

#include <string>
#include <string_view>

namespace invoice {

// Invoice texts are Windows-1252 bytes from the data file to the page. These
// two conversions are for the edges only: drawing glyphs, and messages that
// mix those bytes with text from the system (paths, error reasons).

// Every byte maps to one Unicode character; the five bytes that Windows-1252
// leaves undefined map to the C1 control of the same number.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Unicode character of one byte, as Cp1252ToUtf8 converts it.
char32_t Cp1252CodePoint(unsigned char byte);

// Characters without a Windows-1252 byte become "?". Bytes that are not valid
// UTF-8 are taken over unchanged, as they are most likely Windows-1252 already.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace invoice

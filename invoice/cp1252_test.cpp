#include "invoice/cp1252.h"

#include <gtest/gtest.h>

namespace invoice {
namespace {

TEST(Cp1252Test, ConvertsToUtf8) {
  EXPECT_EQ(Cp1252ToUtf8("abc"), "abc");
  EXPECT_EQ(Cp1252ToUtf8("S\xC9RIE N\xBA."), "SÉRIE Nº.");
  EXPECT_EQ(Cp1252ToUtf8("\x80 \x9F \x81"), "€ Ÿ \xC2\x81");
  EXPECT_EQ(Cp1252ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1252Test, ConvertsFromUtf8) {
  EXPECT_EQ(Utf8ToCp1252("Parâmetro Inválido"), "Par\xE2metro Inv\xE1lido");
  EXPECT_EQ(Utf8ToCp1252("€ “x”"), "\x80 \x93x\x94");
  EXPECT_EQ(Utf8ToCp1252("日本"), "??");
  // Bytes that are not UTF-8 are already Windows-1252.
  EXPECT_EQ(Utf8ToCp1252("caf\xE9"), "caf\xE9");
}

TEST(Cp1252Test, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(byte)), byte) << b;
  }
}

}  // namespace
}  // namespace invoice

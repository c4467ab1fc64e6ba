#include "invoice/decimal.h"

#include <gtest/gtest.h>

#include "invoice/error.h"

namespace invoice {
namespace {

std::string Parsed(const std::string& text) {
  try {
    return std::to_string(ParseDecimal(text).units());
  } catch (const Error& e) {
    return std::string("fails: ") + e.what();
  }
}

TEST(DecimalTest, ParseDecimal) {
  struct Case {
    const char* text;
    const char* units;  // ten-thousandths, or the failure
  };
  const Case cases[] = {
      {"0", "0"},
      {"1234.5", "12345000"},
      {"1234,5", "12345000"},
      {"-7.1", "-71000"},
      {"+2", "20000"},
      {"  3.25  ", "32500"},
      {".", "0"},
      {",", "0"},
      {"5.", "50000"},
      {".5", "5000"},
      {"1E3", "10000000"},
      {"1e-2", "100"},
      {"2.5E+1", "250000"},
      {"1E", "10000"},
      {",E5", "0"},
      {"0.00005", "0"},
      {"0.00015", "2"},
      {"0.00025", "2"},
      {"0.000250001", "3"},
      {"-0.00015", "-2"},
      {"10.123456", "101235"},
      {"000012.50000000000000000000", "125000"},
      {"1E-99999999999999999999", "0"},
      {"922337203685477.5807", "9223372036854775807"},
      {"-922337203685477.5808", "-9223372036854775808"},
      {"922337203685477.5808", "fails: '922337203685477,5808' is not a valid floating point value"},
      {"922337203685477.58075",
       "fails: '922337203685477,58075' is not a valid floating point value"},
      {"1E16", "fails: '1E16' is not a valid floating point value"},
      {"1E99999999999999", "fails: '1E99999999999999' is not a valid floating point value"},
      {"", "fails: '' is not a valid floating point value"},
      {"-", "fails: '-' is not a valid floating point value"},
      {"E5", "fails: 'E5' is not a valid floating point value"},
      {"abc", "fails: 'abc' is not a valid floating point value"},
      {"1,234.56", "fails: '1,234,56' is not a valid floating point value"},
      {"1 2", "fails: '1 2' is not a valid floating point value"},
      {"1\t", "fails: '1\t' is not a valid floating point value"},
      {"0x10", "fails: '0x10' is not a valid floating point value"},
      {"--1", "fails: '--1' is not a valid floating point value"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.text), c.units) << "text: " << c.text;
}

TEST(DecimalTest, ParseWithFallbackNeverFails) {
  const Decimal fallback = Decimal::FromUnits(-1);
  EXPECT_EQ(ParseDecimal("abc", fallback), fallback);
  EXPECT_EQ(ParseDecimal("", fallback), fallback);
  EXPECT_EQ(ParseDecimal("1E30", fallback), fallback);
  EXPECT_EQ(ParseDecimal("3.00", fallback), Decimal::FromUnits(30000));
}

TEST(DecimalTest, FormatFourDecimals) {
  EXPECT_EQ(FormatFourDecimals(Decimal::FromUnits(125000)), "12,5000");
  EXPECT_EQ(FormatFourDecimals(Decimal::FromUnits(0)), "0,0000");
  EXPECT_EQ(FormatFourDecimals(Decimal::FromUnits(1)), "0,0001");
  EXPECT_EQ(FormatFourDecimals(Decimal::FromUnits(-106667)), "-10,6667");
  EXPECT_EQ(FormatFourDecimals(Decimal::FromUnits(INT64_MIN)), "-922337203685477,5808");
}

}  // namespace
}  // namespace invoice

#include "invoice/format.h"

#include <gtest/gtest.h>

#include <functional>

#include "invoice/error.h"

namespace invoice {
namespace {

std::string Outcome(const std::function<std::string()>& f) {
  try {
    return f();
  } catch (const Error& e) {
    return std::string("fails: ") + e.what();
  }
}

struct Case {
  const char* operation;
  std::function<std::string()> call;
  std::string expected;
};

TEST(FormatTest, Operations) {
  const std::string cnpj_empty = "  .   .   /    -  ";
  const Case cases[] = {
      {"FormatMoney", [] { return FormatMoney(""); }, ""},
      {"FormatMoney", [] { return FormatMoney("0"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("0.00"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("1234.5"); }, "1.234,50"},
      {"FormatMoney", [] { return FormatMoney("1234567.891"); }, "1.234.567,89"},
      {"FormatMoney", [] { return FormatMoney("0.005"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("0.015"); }, "0,02"},
      {"FormatMoney", [] { return FormatMoney("0.025"); }, "0,02"},
      {"FormatMoney", [] { return FormatMoney("1.005"); }, "1,00"},
      {"FormatMoney", [] { return FormatMoney("1.015"); }, "1,02"},
      {"FormatMoney", [] { return FormatMoney("2.675"); }, "2,68"},
      {"FormatMoney", [] { return FormatMoney("0.00501"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("-7.1"); }, "-7,10"},
      {"FormatMoney", [] { return FormatMoney("-0.001"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("-0.005"); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("-0.015"); }, "-0,02"},
      {"FormatMoney", [] { return FormatMoney("-1234567.5"); }, "-1.234.567,50"},
      {"FormatMoney", [] { return FormatMoney("100"); }, "100,00"},
      {"FormatMoney", [] { return FormatMoney("100000"); }, "100.000,00"},
      {"FormatMoney", [] { return FormatMoney("12,5"); }, "12,50"},
      {"FormatMoney", [] { return FormatMoney("1E3"); }, "1.000,00"},
      {"FormatMoney", [] { return FormatMoney("."); }, "0,00"},
      {"FormatMoney", [] { return FormatMoney("922337203685477.5807"); }, "922.337.203.685.477,58"},
      {"FormatMoney", [] { return FormatMoney("-922337203685477.5808"); },
       "-922.337.203.685.477,58"},
      {"FormatMoney", [] { return FormatMoney("1,234.56"); },
       "fails: '1,234,56' is not a valid floating point value"},
      {"FormatMoney", [] { return FormatMoney("abc"); },
       "fails: 'abc' is not a valid floating point value"},
      {"FormatIsoDate", [] { return FormatIsoDate("2024-03-15"); }, "15/03/2024"},
      {"FormatIsoDate", [] { return FormatIsoDate("2024-03-15T10:30:00-03:00"); }, "15/03/2024"},
      {"FormatIsoDate", [] { return FormatIsoDate(""); }, "//"},
      {"FormatIsoDate", [] { return FormatIsoDate("2024-3-5"); }, "/3-/2024"},
      {"FormatIsoDate", [] { return FormatIsoDate("2024-03-1"); }, "1/03/2024"},
      {"ZeroPad", [] { return ZeroPad(1234, 9); }, "000001234"},
      {"ZeroPad", [] { return ZeroPad(-5, 9); }, "0000000-5"},
      {"ZeroPad", [] { return ZeroPad(1234567890, 9); }, "234567890"},
      {"ZeroPad", [] { return ZeroPad(-2147483648LL, 9); }, "147483648"},
      {"FormatInvoiceNumber", [] { return FormatInvoiceNumber(1234); }, "N\xBA. 000.001.234"},
      {"FormatInvoiceNumber", [] { return FormatInvoiceNumber(0); }, "N\xBA. 000.000.000"},
      {"FormatInvoiceNumber", [] { return FormatInvoiceNumber(-5); }, "N\xBA. 000.000.0-5"},
      {"FormatSeries", [] { return FormatSeries("1"); }, "S\xC9RIE 001"},
      {"FormatSeries", [] { return FormatSeries("1234"); }, "S\xC9RIE 1234"},
      {"FormatSeries", [] { return FormatSeries("-1"); }, "S\xC9RIE -001"},
      {"FormatSeries", [] { return FormatSeries("0"); }, "S\xC9RIE 000"},
      {"FormatSeries", [] { return FormatSeries("0x1F"); }, "S\xC9RIE 031"},
      {"FormatSeries", [] { return FormatSeries("-2147483648"); }, "S\xC9RIE -2147483648"},
      {"FormatSeries", [] { return FormatSeries(""); }, "fails: '' is not a valid integer value"},
      {"FormatSeries", [] { return FormatSeries("1.0"); },
       "fails: '1.0' is not a valid integer value"},
      {"ApplyMask CNPJ", [] { return ApplyMask(kCnpjMask, "12345678000100"); },
       "12.345.678/0001-00"},
      {"ApplyMask CNPJ", [] { return ApplyMask(kCnpjMask, "12345678900"); }, "12.345.678/900 -  "},
      {"ApplyMask CNPJ", [] { return ApplyMask(kCnpjMask, ""); }, cnpj_empty},
      {"ApplyMask CNPJ", [] { return ApplyMask(kCnpjMask, "1234567800010012"); },
       "12.345.678/0001-0012"},
      {"ApplyMask CNPJ", [] { return ApplyMask(kCnpjMask, "12.345.678/0001-00"); },
       "12..34.5.6/78/0-001-00"},
      {"ApplyMask CPF", [] { return ApplyMask(kCpfMask, "12345678900"); }, "123.456.789-00"},
      {"ApplyMask CPF", [] { return ApplyMask(kCpfMask, ""); }, "   .   .   -  "},
      {"ApplyMask CPF", [] { return ApplyMask(kCpfMask, "1234"); }, "123.4  .   -  "},
      {"ApplyMask key", [] { return ApplyMask(kAccessKeyMask, "0"); }, "0" + std::string(53, ' ')},
      {"ApplyMask key", [] { return ApplyMask(kAccessKeyMask, ""); }, std::string(54, ' ')},
      {"ApplyMask key",
       [] { return ApplyMask(kAccessKeyMask, "43241212345678000190550010000012341000012345"); },
       "4324 1212 3456 7800 0190 5500 1000 0012 3410 0001 2345"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.call), c.expected) << c.operation;
}

class OtherSeparatorsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = CurrentSeparators(); }
  void TearDown() override { CurrentSeparators() = saved_; }

 private:
  Separators saved_;
};

TEST_F(OtherSeparatorsTest, ThousandsAndDateSeparatorsComeFromOnePlace) {
  CurrentSeparators().thousands = ',';
  EXPECT_EQ(FormatMoney("1234.5"), "1,234,50");
  CurrentSeparators().date = '-';
  EXPECT_EQ(ApplyMask(kCnpjMask, "12345678000100"), "12.345.678-0001-00");
  // The date formatter always writes "/".
  EXPECT_EQ(FormatIsoDate("2024-03-15"), "15/03/2024");
}

}  // namespace
}  // namespace invoice

#include "invoice/item_table.h"

#include <gtest/gtest.h>

#include <chrono>

#include "invoice/error.h"
#include "invoice/ini_reader.h"

namespace invoice {
namespace {

// An invoice file with the given item sections; each item string holds the
// lines of one [det nItem=N] section.
std::string Invoice(const std::vector<std::string>& items, const std::string& extra = "") {
  std::string file = "[emit]\nCRT=3\n" + extra +
                     "[DadosNota]\nnum_itens_na_nota=" + std::to_string(items.size()) + "\n";
  for (size_t i = 0; i < items.size(); ++i)
    file += "[det nItem=" + std::to_string(i + 1) + "]\n" + items[i];
  return file;
}

struct Filled {
  ItemTable table;
  int csosn_calls = 0;
};

Filled Fill(const std::string& file) {
  Filled out;
  FillItemTable(IniFile::Parse(file), out.table, [&] { ++out.csosn_calls; });
  return out;
}

std::string FillFailure(const std::string& file) {
  try {
    Fill(file);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no failure)";
}

const std::string kPlain = "vUnCom=1\nvProd=1\n";

TEST(ItemTableTest, RowsArePaddedTo25WithBlankRows) {
  for (const char* count : {"", "0", "-4", "3.0", "three"}) {
    const Filled f = Fill(std::string("[DadosNota]\nnum_itens_na_nota=") + count + "\n");
    ASSERT_EQ(f.table.size(), 25u) << count;
    for (size_t i = 0; i < 25; ++i) {
      EXPECT_EQ(f.table.row(i).sequencia(), static_cast<int>(i + 1));
      for (int field = kCodProduto; field < kItemFieldCount; ++field)
        EXPECT_EQ(f.table.row(i).DisplayText(field), "") << field;
    }
  }
  const Filled three = Fill(Invoice({kPlain, kPlain, kPlain}));
  ASSERT_EQ(three.table.size(), 25u);
  EXPECT_EQ(three.table.row(2).DisplayText(kValorTotal), "1,00");
  EXPECT_EQ(three.table.row(3).DisplayText(kValorTotal), "");
  EXPECT_EQ(three.table.row(24).sequencia(), 25);
  EXPECT_EQ(Fill(Invoice(std::vector<std::string>(30, kPlain))).table.size(), 30u);
  // A hexadecimal count reads as many sections.
  std::string hex = "[DadosNota]\nnum_itens_na_nota=0x03\n";
  for (int i = 1; i <= 3; ++i) hex += "[det nItem=" + std::to_string(i) + "]\nvUnCom=1\nvProd=7\n";
  EXPECT_EQ(Fill(hex).table.row(2).DisplayText(kValorTotal), "7,00");
}

TEST(ItemTableTest, FieldsOfAnItem) {
  const Filled f = Fill(Invoice({
      "cEAN=7891234567890123456\ncProd=P1\nxProd=" + std::string(130, 'd') +
          "\nNCM=84713012999\nICMS_CST=00\nICMS_orig=2\nCFOP=5102\nuCom=PACOTE\nqCom=2.0000\n"
          "vUnCom=10.50\nvProd=1234.5\nICMS_vBC=0.0\nICMS_vICMS=0\nIPI_vIPI=0.00\n"
          "ICMS_pICMS=18\nIPI_pIPI=5.5\n",
      "cEAN= \t\ncProd=P2\nICMS_CST=102\nvUnCom=1\nvProd=1\n",
      "cProd=P3\nvUnCom=1\nvProd=1\n",
      "ICMS_CST=1234\nvUnCom=1\nvProd=1\n",
  }));
  const ItemRow& a = f.table.row(0);
  EXPECT_EQ(a.DisplayText(kSequencia), "1");
  EXPECT_EQ(a.DisplayText(kCodProduto), "78912345678901");
  EXPECT_EQ(a.DisplayText(kNomeProduto), std::string(120, 'd'));
  EXPECT_EQ(a.DisplayText(kNCM_SH), "8471301299");
  EXPECT_EQ(a.DisplayText(kCST), "200");
  EXPECT_EQ(a.DisplayText(kCFOP), "5102");
  EXPECT_EQ(a.DisplayText(kUnidade), "PACO");
  EXPECT_EQ(a.DisplayText(kQuantidade), "2.0000");
  EXPECT_EQ(a.DisplayText(kValorUnit), "10.50");
  EXPECT_EQ(a.DisplayText(kValorTotal), "1.234,50");
  EXPECT_EQ(a.DisplayText(kBC_ICMS), "0,00");
  EXPECT_EQ(a.DisplayText(kValor_ICMS), "");
  EXPECT_EQ(a.DisplayText(kValor_IPI), "");
  EXPECT_EQ(a.DisplayText(kAliq_ICMS), "18,00");
  EXPECT_EQ(a.DisplayText(kAliq_IPI), "5,50");
  EXPECT_EQ(a.DisplayText(kValorUni_ComImpostos), "10,5000");
  EXPECT_EQ(a.DisplayText(kVAlorICMSST), "0,0000");

  EXPECT_EQ(f.table.row(1).DisplayText(kCodProduto), "P2");
  EXPECT_EQ(f.table.row(1).DisplayText(kCST), "102");
  EXPECT_EQ(f.table.row(2).DisplayText(kCodProduto), "P3");
  EXPECT_EQ(f.table.row(2).DisplayText(kCST), "0");
  EXPECT_EQ(f.table.row(3).DisplayText(kCST), "012");
  EXPECT_EQ(f.csosn_calls, 0);
}

TEST(ItemTableTest, CsosnHeadingForEmittersOutsideTheNormalRegime) {
  const std::string two =
      "[DadosNota]\nnum_itens_na_nota=2\n[det nItem=1]\n" + kPlain + "[det nItem=2]\n" + kPlain;
  EXPECT_EQ(Fill("[emit]\nCRT=1\n" + two).csosn_calls, 2);
  EXPECT_EQ(Fill(two).csosn_calls, 2);  // CRT absent
  EXPECT_EQ(Fill("[emit]\nCRT=3\n" + two).csosn_calls, 0);
  EXPECT_EQ(Fill("[emit]\nCRT=1\n").csosn_calls, 0);  // no item section
}

TEST(ItemTableTest, UnitPriceWithTaxes) {
  struct Case {
    const char* unit;
    const char* qty;
    const char* ipi;
    const char* st;
    const char* expected;
  };
  const Case cases[] = {
      {"10.00", "2", "1.00", "3.00", "12,0000"},
      {"10.00", "3", "1.00", "1.00", "10,6667"},
      {"10.00", "3", "1.00", "", "10,0000"},
      {"10.00", "3", "", "1.00", "10,0000"},
      {"10.00", "3", "-1.00", "1.00", "10,0000"},
      {"10.123456", "1", "", "", "10,1235"},
      {"10.00", "0", "", "", "10,0000"},
      {"10.00", "abc", "1.00", "", "10,0000"},
      {"10.00", "3", "abc", "xyz", "10,0000"},
      // A half of a ten-thousandth goes to the even one.
      {"0", "4", "0.0001", "0.0001", "0,0000"},
      {"0.0001", "4", "0.0001", "0.0001", "0,0002"},
      {"10", "2,5", "1", "1", "10,8000"},
      {"10.00", "0", "1.00", "1.00", "fails: Floating point division by zero"},
      {"10.00", "0.00", "1.00", "1.00", "fails: Floating point division by zero"},
      {"10.00", "x", "1.00", "1.00", "fails: 'x' is not a valid floating point value"},
      {"", "1", "", "", "fails: '' is not a valid floating point value"},
      {"1.50.1", "1", "", "", "fails: '1,50,1' is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    std::string got;
    try {
      got = FormatFourDecimals(
          UnitPriceWithTaxes(c.unit, c.qty, c.ipi, ParseDecimal(c.st, Decimal{})));
    } catch (const Error& e) {
      got = std::string("fails: ") + e.what();
    }
    EXPECT_EQ(got, c.expected) << c.unit << " " << c.qty << " " << c.ipi << " " << c.st;
  }
}

TEST(ItemTableTest, TheFirstBadItemStopsTheFill) {
  EXPECT_EQ(FillFailure(Invoice({kPlain, "vProd=1\n"})), "'' is not a valid floating point value");
  EXPECT_EQ(FillFailure(Invoice({"vUnCom=1\nvProd=1,234.00\n"})),
            "'1,234,00' is not a valid floating point value");
  EXPECT_EQ(FillFailure(Invoice({"vUnCom=1\nvProd=1\nICMS_vBC=abc\n"})),
            "'abc' is not a valid floating point value");
  EXPECT_EQ(FillFailure(Invoice({"vUnCom=1\nqCom=0\nIPI_vIPI=1\nICMS_vICMSST=1\n"})),
            "Floating point division by zero");
  // The price is read from the stored field, which holds 20 characters.
  EXPECT_EQ(FillFailure(Invoice({"vUnCom=1.000000000000000000xyz\n"})), "(no failure)");
}

TEST(ItemTableTest, HugeCountFailsAtTheFirstMissingItemWithoutAllocating) {
  const std::string file = "[DadosNota]\nnum_itens_na_nota=2147483647\n[det nItem=1]\n" + kPlain;
  EXPECT_EQ(FillFailure(file), "'' is not a valid floating point value");
}

TEST(ItemTableTest, PostKeepsSequenciaOrder) {
  ItemTable table;
  for (int seq : {3, 1, 2, 5, 4}) table.Post(ItemRow(seq));
  for (size_t i = 0; i < table.size(); ++i)
    EXPECT_EQ(table.row(i).sequencia(), static_cast<int>(i + 1));
}

TEST(ItemTableTest, HundredThousandItemsFillQuickly) {
  std::string file = "[emit]\nCRT=1\n[DadosNota]\nnum_itens_na_nota=100000\n";
  for (int i = 1; i <= 100000; ++i) {
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=P" + std::to_string(i) +
            "\nxProd=PRODUTO DE TESTE\nqCom=2\nvUnCom=10.00\nvProd=20.00\nIPI_vIPI=1\n"
            "ICMS_vICMSST=1\nICMS_vBC=20\n";
  }
  const IniFile data = IniFile::Parse(file);
  ItemTable table;
  int csosn_calls = 0;
  const auto start = std::chrono::steady_clock::now();
  FillItemTable(data, table, [&] { ++csosn_calls; });
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(table.size(), 100000u);
  EXPECT_EQ(table.row(99999).DisplayText(kCodProduto), "P100000");
  EXPECT_EQ(table.row(99999).DisplayText(kValorUni_ComImpostos), "11,0000");
  EXPECT_EQ(csosn_calls, 100000);
  // Far above a linear fill even on a loaded machine or a sanitizer build; a
  // quadratic one takes minutes.
  EXPECT_LT(elapsed, std::chrono::seconds(20));
}

}  // namespace
}  // namespace invoice

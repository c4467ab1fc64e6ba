// The DANFE drawn with the installed fonts: pictures of its sheets to look at
// beside the layout's tables, and the text of a long invoice's PDF read back
// by an independent tool.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <regex>

#include "danfe/danfe.h"
#include "danfe/test_invoice.h"
#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "platform/output.h"

namespace danfe {
namespace {

using testing::InvoiceFile;

const std::filesystem::path kOutput = DANFE_TEST_OUTPUT;

// A desktop whose program folder holds one logo: a blue frame around grey.
struct LogoDesktop : Services {
  LogoDesktop() {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "logo.bmp") << "logo";
  }
  std::filesystem::path ProgramFolder() override { return folder; }
  report::Picture LoadPicture(const std::filesystem::path&) override {
    report::RgbaImage image{.width = 120, .height = 40, .pixels = {}};
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const bool edge = x < 3 || y < 3 || x >= image.width - 3 || y >= image.height - 3;
        image.pixels.push_back(edge ? 0xff2050c0 : 0xffc8c8c8);
      }
    }
    return report::Picture(std::move(image));
  }
  void ShowLogoError() override { ADD_FAILURE() << "logo error"; }

  std::filesystem::path folder = kOutput / "program";
};

// Both passes of a run: the first counts the sheets for the sheet label.
report::Document Print(Danfe& danfe) {
  danfe.set_total_sheets(static_cast<int>(danfe.report().Run().pages.size()));
  return danfe.report().Run();
}

std::shared_ptr<const report::FontMetrics> RealFonts() {
  platform::EnsureGuiApplication();
  return std::make_shared<platform::QtFontMetrics>();
}

InvoiceFile SixtyItems() {
  InvoiceFile file;
  file.Set("DadosNota", "NomeLogoDanfe", "logo.bmp");
  file.Set("infAdic", "infCpl",
           "PEDIDO 778 DE 28/12/2012. ICMS RECOLHIDO POR SUBSTITUI\xC7\xC3O TRIBUT\xC1RIA "
           "CONFORME O REGULAMENTO DO ICMS DO ESTADO. MERCADORIA ENTREGUE NO ENDERE\xC7O DO "
           "DESTINAT\xC1RIO.");
  for (int i = 1; i <= 60; ++i) {
    std::string description = "CADEIRA DE PINUS MODELO " + std::to_string(i);
    if (i % 7 == 3)
      description +=
          " COM ASSENTO ESTOFADO EM TECIDO AZUL E ENCOSTO ALTO REFOR\xC7"
          "ADO, ACABAMENTO EM VERNIZ";
    file.AddItem(InvoiceFile::Code(i), description);
  }
  return file;
}

TEST(RenderTest, SheetsOfSixtyItemsAsPictures) {
  struct Case {
    const char* name;
    void (*change)(InvoiceFile&);
  };
  const Case cases[] = {
      {"default", [](InvoiceFile&) {}},
      {"valmore", [](InvoiceFile& f) { f.Set("emit", "xFant", "VALMORE"); }},
      {"wide-logo", [](InvoiceFile& f) { f.Set("emit", "CNPJ", "27364819000145"); }},
      {"trevan", [](InvoiceFile& f) { f.Set("emit", "xFant", "TREVANEQUIPAMENTOS"); }},
      {"preview", [](InvoiceFile& f) { f.Set("Danfe", "Preview", "S"); }},
  };
  std::filesystem::create_directories(kOutput);
  for (const Case& c : cases) {
    InvoiceFile file = SixtyItems();
    c.change(file);
    const invoice::IniFile data = file.Parse();
    LogoDesktop desktop;
    Danfe danfe(RealFonts(), desktop);
    danfe.Fill(data);
    const report::Document doc = Print(danfe);
    ASSERT_EQ(doc.pages.size(), 2u) << c.name;
    for (const report::Page& page : doc.pages) {
      const std::filesystem::path path =
          kOutput / ("danfe-" + std::string(c.name) + "-" + std::to_string(page.number()) + ".png");
      platform::WritePng(doc, page, 100, path.string());
      const QImage image(QString::fromStdString(path.string()));
      EXPECT_EQ(image.width(), 827) << path;  // 210 mm at 100 dpi
      EXPECT_EQ(image.height(), 1169) << path;
    }
  }
}

// Reads the text of a PDF back with poppler's pdftotext, one of the
// independent tools the tests trust.
std::string PdfText(const std::filesystem::path& pdf) {
  const std::filesystem::path txt = pdf.string() + ".txt";
  const std::string command = "pdftotext -raw '" + pdf.string() + "' '" + txt.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream in(txt);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RenderTest, EveryItemOfALongInvoiceIsInThePdf) {
  std::mt19937 random(20130102);
  std::uniform_int_distribution<int> word_count(1, 12);
  std::uniform_int_distribution<int> word_length(1, 14);
  std::uniform_int_distribution<int> letter('A', 'Z');
  InvoiceFile file;
  for (int i = 1; i <= 200; ++i) {
    std::string description;
    for (int w = word_count(random); w > 0; --w) {
      const int length = word_length(random);
      if (description.size() + 1 + length > 120) break;
      if (!description.empty()) description += ' ';
      for (int n = length; n > 0; --n) description += static_cast<char>(letter(random));
    }
    file.AddItem(InvoiceFile::Code(i), description);
  }
  const invoice::IniFile data = file.Parse();
  LogoDesktop desktop;
  Danfe danfe(RealFonts(), desktop);
  danfe.Fill(data);
  const report::Document doc = Print(danfe);
  const int sheets = static_cast<int>(doc.pages.size());
  ASSERT_GE(sheets, 4);
  std::filesystem::create_directories(kOutput);
  const std::filesystem::path pdf = kOutput / "danfe-200-items.pdf";
  platform::WritePdf(doc, pdf.string());
  const std::string text = PdfText(pdf);
  ASSERT_FALSE(text.empty()) << "pdftotext gave nothing for " << pdf;

  std::map<std::string, int> codes;
  const std::regex code("\\bP[0-9]{4}\\b");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), code); it != std::sregex_iterator();
       ++it) {
    ++codes[it->str()];
  }
  EXPECT_EQ(codes.size(), 200u);
  for (int i = 1; i <= 200; ++i) EXPECT_EQ(codes[InvoiceFile::Code(i)], 1) << InvoiceFile::Code(i);
  // Sheets are separated by form feeds.
  std::vector<std::string> pages(1);
  for (char c : text) {
    if (c == '\f') {
      pages.emplace_back();
    } else {
      pages.back() += c;
    }
  }
  ASSERT_GE(pages.size(), static_cast<size_t>(sheets));
  for (int s = 1; s <= sheets; ++s) {
    const std::string label = "FL " + std::to_string(s) + "/" + std::to_string(sheets);
    EXPECT_NE(pages[s - 1].find(label), std::string::npos) << label;
  }
}

}  // namespace
}  // namespace danfe

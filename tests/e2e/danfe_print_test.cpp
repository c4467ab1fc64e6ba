// The head of a real DANFE through the whole way to paper: the program, the
// print system's CUPS-PDF queue, and the PDF it writes, read back with
// poppler's tools and compared with our own layout of the same invoice.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "danfe/barcode.h"
#include "danfe/danfe.h"
#include "invoice/cp1252.h"
#include "invoice/ini_reader.h"
#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

struct Word {
  std::string text;                   // UTF-8
  double x_min, y_min, x_max, y_max;  // tenths of a millimetre
};

std::vector<std::vector<Word>> Words(const fs::path& pdf) {
  const std::string html = Exec({"/usr/bin/pdftotext", "-bbox", pdf.string(), "-"}).out;
  std::vector<std::vector<Word>> pages;
  const std::regex word_re(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)"
      "</word>");
  std::istringstream lines(html);
  std::string line;
  const double k = 254.0 / 72.0;
  while (std::getline(lines, line)) {
    if (line.find("<page ") != std::string::npos) pages.emplace_back();
    std::smatch m;
    if (!pages.empty() && std::regex_search(line, m, word_re)) {
      std::string text = m[5];
      for (auto [from, to] : {std::pair<const char*, const char*>{"&amp;", "&"},
                              {"&lt;", "<"},
                              {"&gt;", ">"},
                              {"&quot;", "\""},
                              {"&apos;", "'"}}) {
        for (size_t at; (at = text.find(from)) != std::string::npos;)
          text.replace(at, std::strlen(from), to);
      }
      pages.back().push_back({text, std::stod(m[1]) * k, std::stod(m[2]) * k, std::stod(m[3]) * k,
                              std::stod(m[4]) * k});
    }
  }
  return pages;
}

struct NoLogo : danfe::Services {
  fs::path ProgramFolder() override { return fs::path(DanfeBinary()).parent_path(); }
  report::Picture LoadPicture(const fs::path&) override { throw std::runtime_error("no logo"); }
  void ShowLogoError() override {}
};

class DanfePrintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::geteuid() != 0) return;
    cups_ = new PrivateCups({"PDFCreator"}, "PDFCreator");
    platform::EnsureGuiApplication();
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }
  void SetUp() override {
    if (!cups_) GTEST_SKIP() << "a private cupsd needs root";
    cups_->Clear();
  }

  static std::string Fixture() {
    std::ifstream in(SourceDir() / "tests/fixtures/invoice_head.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    // The first [Danfe] section counts, so this one overrides the fixture's.
    return "[Danfe]\r\nExportar=S\r\n" + s.str();
  }

  // What the layout puts on the pages, with the real fonts, as the program's
  // last pass does.
  static report::Document Layout(const std::string& invoice) {
    NoLogo desktop;
    danfe::Danfe danfe(std::make_shared<platform::QtFontMetrics>(), desktop);
    const invoice::IniFile data = invoice::IniFile::Parse(invoice);
    danfe.Fill(data);
    danfe.set_total_sheets(static_cast<int>(danfe.report().Run().pages.size()));
    return danfe.report().Run();
  }

  fs::path Print(const std::string& invoice) {
    const auto file = dir_.Write("nota.ini", invoice);
    const Result r =
        Exec({DanfeBinary(), file.string()}, {{"CUPS_SERVER", cups_->server()}, {"DISPLAY", ""}});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto pdfs = cups_->Pdfs("PDFCreator");
    if (pdfs.size() != 1) throw std::runtime_error("no PDF");
    return pdfs.front();
  }

  static PrivateCups* cups_;
  TempDir dir_;
};

PrivateCups* DanfePrintTest::cups_ = nullptr;

TEST_F(DanfePrintTest, TextSitsWhereTheLayoutPutIt) {
  const std::string invoice = Fixture();
  const report::Document layout = Layout(invoice);
  const fs::path pdf = Print(invoice);
  const auto pages = Words(pdf);
  ASSERT_EQ(pages.size(), layout.pages.size());
  Exec({"/usr/bin/pdftoppm", "-png", "-r", "100", "-f", "1", "-l", "1", pdf.string(),
        (TestOutputDir() / "danfe-head-page").string()});

  platform::QtFontMetrics metrics;
  int compared = 0;
  for (const report::PageItem& item : layout.pages[0].items()) {
    const auto* run = std::get_if<report::TextRun>(&item);
    if (!run || run->bytes.empty() || run->bytes.find(' ') != std::string::npos) continue;
    const std::string text = invoice::Cp1252ToUtf8(run->bytes);
    const report::FaceMetrics face = metrics.Measure(run->font);
    const double top = (run->baseline - face.ascent).value();
    auto distance = [&](const Word& w) {
      return std::abs(w.x_min - run->x.value()) + std::abs(w.y_min - top);
    };
    const Word* best = nullptr;
    for (const Word& w : pages[0])
      if (w.text == text && (!best || distance(w) < distance(*best))) best = &w;
    ASSERT_NE(best, nullptr) << text;
    SCOPED_TRACE(text);
    // Within 0.2 mm: start, end, top and bottom of the line.
    EXPECT_NEAR(best->x_min, run->x.value(), 2);
    EXPECT_NEAR(best->x_max, (run->x + run->width).value(), 2);
    EXPECT_NEAR(best->y_min, (run->baseline - face.ascent).value(), 2);
    EXPECT_NEAR(best->y_max, (run->baseline + face.descent).value(), 2);
    ++compared;
  }
  EXPECT_GT(compared, 100);

  // Design places: left edges at 7.0 mm + the element's left, tops at the
  // band's top + the element's; right-aligned money ending at its box's edge.
  auto find = [&](const std::string& text, double near_y_mm) -> const Word* {
    const Word* best = nullptr;
    for (const Word& w : pages[0])
      if (w.text == text &&
          (!best || std::abs(w.y_min - near_y_mm * 10) < std::abs(best->y_min - near_y_mm * 10)))
        best = &w;
    return best;
  };
  struct Place {
    std::string word;
    double x_mm;    // left edge, or right edge when right-aligned
    double top_mm;  // the label's top; the word's box starts there
    bool right = false;
  };
  const double stub = 6.0, emitter = 24.1, recipient = 78.2;
  const Place places[] = {
      {"FL", 7.0 + 88.6, emitter + 31.8},         {"DANFE", 7.0 + 91.1, emitter + 0.2},
      {"CONTROLE", 7.0 + 120.6, emitter + 0.6},   {"NATUREZA", 7.0 + 0.2, emitter + 39.9},
      {"300,00", 7.0 + 154.0, stub + 11.2, true},
  };
  for (const Place& p : places) {
    const Word* w = find(p.word, p.top_mm);
    ASSERT_NE(w, nullptr) << p.word;
    EXPECT_NEAR(p.right ? w->x_max : w->x_min, p.x_mm * 10, 2) << p.word;
    EXPECT_NEAR(w->y_min, p.top_mm * 10, 8) << p.word;  // the box top, within the font's leading
  }
  (void)recipient;

  const std::string text = Exec({"/usr/bin/pdftotext", "-layout", pdf.string(), "-"}).out;
  for (const char* expected : {"Nº. 000.001.234", "SÉRIE 001", "FL 1/1",
                               "RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: 90000-000"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }
  size_t count = 0;
  for (size_t at = 0; (at = text.find("SEM VALOR FISCAL", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(count, 2u);
}

// The barcode at natural size: one bitmap pixel is 1/96 inch, so a raster of
// the page at 192 dpi shows each module two pixels wide.
TEST_F(DanfePrintTest, BarcodeReachesPaperAtNaturalSize) {
  const fs::path pdf = Print(Fixture());
  const auto raster = dir_.path() / "page";
  Exec({"/usr/bin/pdftoppm", "-gray", "-r", "192", "-f", "1", "-l", "1", pdf.string(),
        raster.string()});
  fs::path pgm;
  for (const auto& e : fs::directory_iterator(dir_.path()))
    if (e.path().extension() == ".pgm") pgm = e.path();
  ASSERT_FALSE(pgm.empty());
  std::ifstream in(pgm, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height);
  in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  auto dark = [&](double x_px, double y_px) {
    return pixels[static_cast<size_t>(y_px) * width + static_cast<size_t>(x_px)] < 128;
  };
  const double px_per_mm = 192 / 25.4;
  const double x0 = (7.0 + 121.7) * px_per_mm;
  const double y0 = (24.1 + 4.2) * px_per_mm;
  const report::MonoBitmap bars = danfe::MakeAccessKeyBarcode("");  // ID present and empty
  // The 17.5 mm box shows the bitmap's top 66 rows; the bars below are cut.
  for (int module = 0; module < 60; ++module) {
    for (int row : {2, 33, 64, 68, 78}) {
      EXPECT_EQ(dark(x0 + module * 2 + 1, y0 + row * 2 + 1), row < 66 && bars.black(module, row))
          << "module " << module << " row " << row;
    }
  }
}

// The logo lies beside the program; a copy of the program in a folder of the
// test's own keeps the build folder clean.
TEST_F(DanfePrintTest, LogoFromTheProgramsFolder) {
  const fs::path program = CopyProgram(dir_.path());
  QImage logo(200, 120, QImage::Format_RGB32);
  logo.fill(QColor(0, 0, 0));
  ASSERT_TRUE(logo.save(QString::fromStdString((dir_.path() / "LOGO.JPG").string()), "JPEG"));
  ASSERT_TRUE(logo.save(QString::fromStdString((dir_.path() / "logo.png").string()), "PNG"));
  const std::string message = "Erro: Não foi possível carregar imagem, tipo inválido.\n";
  struct Case {
    std::string name;
    std::string err;  // once per report pass: two passes to the PDF printer
    bool dark_logo;
  };
  const Case cases[] = {
      {"LOGO.JPG", "", true},
      {"logo.jpg", "", false},  // file names do compare with case: no such file
      {"logo.png", message + message, false},
      {"missing.bmp", "", false},
  };
  for (const auto& c : cases) {
    cups_->Clear();
    const auto ini =
        dir_.Write("nota.ini", "[Danfe]\nExportar=S\n[DadosNota]\nNomeLogoDanfe=" + c.name + "\n");
    const Result r =
        Exec({program.string(), ini.string()}, {{"CUPS_SERVER", cups_->server()}, {"DISPLAY", ""}});
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    const auto pdfs = cups_->Pdfs("PDFCreator");
    ASSERT_EQ(pdfs.size(), 1u);
    // The middle of the logo box, 7.0 + 0.6 + 35.9 / 2 mm across, 24.1 + 0.4 + 22.5 / 2 down.
    const auto raster = dir_.path() / "logo-page";
    Exec({"/usr/bin/pdftoppm", "-gray", "-r", "50", "-f", "1", "-l", "1", "-singlefile",
          pdfs.front().string(), raster.string()});
    QImage page(QString::fromStdString(raster.string() + ".pgm"));
    ASSERT_FALSE(page.isNull());
    const QPoint middle(static_cast<int>((7.0 + 0.6 + 35.9 / 2) * 50 / 25.4),
                        static_cast<int>((24.1 + 0.4 + 22.5 / 2) * 50 / 25.4));
    EXPECT_EQ(qGray(page.pixel(middle)) < 64, c.dark_logo) << c.name;
  }
}

}  // namespace
}  // namespace e2e

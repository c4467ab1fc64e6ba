#include "platform/output.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "report/test_layout.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class Output : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EnsureGuiApplication();
    dir_ = fs::temp_directory_path() /
           ("danfe-output-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    layout_ = report::testing::MakeTestLayout(std::make_shared<QtFontMetrics>());
    rows_ = report::testing::MakeRows(30);
    report::Report& r = *layout_->report;
    r.set_data_source(rows_.get());
    r.ClearDynamicLabels();
    r.label("Total").SetCaption("1.234,56");
    r.label("RecipientName").SetCaption("JOS\xc9 DA SILVA");
    doc_ = r.Run();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::unique_ptr<report::testing::TestLayout> layout_;
  std::unique_ptr<report::TableDataSource> rows_;
  report::Document doc_;
};

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

struct Word {
  std::string text;
  double x_min, y_min, x_max, y_max;  // tenths of a millimetre
};

// The words of every page as pdftotext -bbox reports them.
std::vector<std::vector<Word>> ExtractWords(const fs::path& pdf) {
  const std::string html = RunCommand("pdftotext -bbox '" + pdf.string() + "' -");
  std::vector<std::vector<Word>> pages;
  const std::regex page_re("<page ");
  const std::regex word_re(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)"
      "</word>");
  std::istringstream lines(html);
  std::string line;
  const double k = 254.0 / 72.0;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, page_re)) pages.emplace_back();
    std::smatch m;
    if (!pages.empty() && std::regex_search(line, m, word_re)) {
      pages.back().push_back({m[5], std::stod(m[1]) * k, std::stod(m[2]) * k, std::stod(m[3]) * k,
                              std::stod(m[4]) * k});
    }
  }
  return pages;
}

TEST_F(Output, PdfTextSitsWhereTheLayoutPutIt) {
  const fs::path pdf = dir_ / "test.pdf";
  WritePdf(doc_, pdf.string());
  const std::vector<std::vector<Word>> pages = ExtractWords(pdf);
  ASSERT_EQ(pages.size(), doc_.pages.size());
  ASSERT_EQ(pages.size(), 2u);
  const report::FaceMetrics* face = nullptr;
  QtFontMetrics metrics;
  int compared = 0;
  for (size_t p = 0; p < pages.size(); ++p) {
    for (const report::PageItem& item : doc_.pages[p].items()) {
      const auto* run = std::get_if<report::TextRun>(&item);
      if (!run || run->bytes.find_first_of(" \xc9") != std::string::npos) continue;
      const report::FaceMetrics f = metrics.Measure(run->font);
      face = &f;
      const Word* best = nullptr;
      for (const Word& w : pages[p]) {
        if (w.text == run->bytes &&
            (!best || std::abs(w.x_min - run->x.value()) < std::abs(best->x_min - run->x.value())))
          best = &w;
      }
      ASSERT_NE(best, nullptr) << run->bytes;
      SCOPED_TRACE(run->bytes);
      // Within 0.2 mm: the start, the end and the line's top and bottom.
      EXPECT_NEAR(best->x_min, run->x.value(), 2);
      EXPECT_NEAR(best->x_max, (run->x + run->width).value(), 2);
      EXPECT_NEAR(best->y_min, (run->baseline - face->ascent).value(), 2);
      EXPECT_NEAR(best->y_max, (run->baseline + face->descent).value(), 2);
      ++compared;
    }
  }
  EXPECT_GT(compared, 60);

  // Design positions: the right-aligned total ends at 7.0 + 154.0 mm, the
  // recipient's caption starts at 7.0 + 1.0 mm, 78.2 + 2.0 mm down.
  auto find = [&](size_t p, const std::string& text) -> const Word* {
    for (const Word& w : pages[p]) {
      if (w.text == text) return &w;
    }
    return nullptr;
  };
  const Word* total = find(0, "1.234,56");
  ASSERT_NE(total, nullptr);
  EXPECT_NEAR(total->x_max, 1610, 2);
  const Word* recipient = find(0, "RECIPIENT");
  ASSERT_NE(recipient, nullptr);
  EXPECT_NEAR(recipient->x_min, 80, 2);
  EXPECT_NEAR(recipient->y_min, 802, 2);
  // Windows-1252 reaches the PDF as Unicode.
  EXPECT_NE(find(0, "JOS\xc3\x89"), nullptr);
  // Page 2 starts with the column header; row 28 sits under the headings.
  const Word* row28 = find(1, "Item28");
  ASSERT_NE(row28, nullptr);
  EXPECT_NEAR(row28->y_min, 644 + 2, 2);
  EXPECT_EQ(find(1, "RECIPIENT"), nullptr);

  const std::string fonts = RunCommand("pdffonts '" + pdf.string() + "'");
  EXPECT_NE(fonts.find("LiberationSerif"), std::string::npos) << fonts;
  // Every font embedded: the column after the encoding says yes.
  const std::regex font_re("(Identity-H|WinAnsi|Custom|Builtin)\\s+(yes|no)\\s");
  int embedded = 0;
  for (auto it = std::sregex_iterator(fonts.begin(), fonts.end(), font_re);
       it != std::sregex_iterator(); ++it) {
    EXPECT_EQ((*it)[2], "yes") << fonts;
    ++embedded;
  }
  EXPECT_GE(embedded, 2) << fonts;
}

TEST_F(Output, PngShowsLinesFillsAndPictures) {
  const double dpi = 254;  // one pixel per tenth of a millimetre
  const QImage image = RenderPage(doc_, doc_.pages[0], dpi);
  ASSERT_EQ(image.width(), 2100);
  ASSERT_EQ(image.height(), 2970);
  auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
  // The title frame's corners and an inside point.
  EXPECT_TRUE(black(70, 60));
  EXPECT_TRUE(black(1000, 60));
  EXPECT_TRUE(black(70, 150));
  EXPECT_FALSE(black(1000, 100));
  // The dash-dot-dot cutting line at y = 22.8 mm: dashes with gaps.
  int on = 0;
  for (int x = 70; x < 2070; ++x) on += black(x, 228);
  EXPECT_GT(on, 800);
  EXPECT_LT(on, 1500);
  // The picture at natural size: 1/96 inch per pixel from (127.0, 26.1) mm;
  // its columns 0-1 and 5 are black, 2-4 white.
  EXPECT_TRUE(black(1271, 262));
  EXPECT_FALSE(black(1270 + 9, 262));
  EXPECT_TRUE(black(1270 + 14, 262));
  EXPECT_FALSE(black(1271, 261 + 24));
  // Text: ink inside the first row's code.
  int ink = 0;
  for (int y = 1562; y < 1590; ++y) {
    for (int x = 75; x < 90; ++x) ink += black(x, y);
  }
  EXPECT_GT(ink, 5);

  const fs::path png = dir_ / "page1.png";
  WritePng(doc_, doc_.pages[0], 96, png.string());
  QImage loaded(QString::fromStdString(png.string()));
  EXPECT_EQ(loaded.width(), 794);
}

// The PDF writer and the Qt painter are two players of one display list: a
// page rasterised from the PDF by poppler shows what the painter paints.
TEST_F(Output, PdfShowsWhatThePainterPaints) {
  // Page 1 plus a colour picture of 3 x 1 pixels: opaque red, half
  // transparent blue, fully transparent; each pixel 1 mm wide.
  report::RgbaImage rgba{3, 1, {0xFFFF0000, 0x800000FF, 0x00000000}};
  std::vector<report::PageItem> items = doc_.pages[0].items();
  const report::Box box = report::MmBox(150, 250, 30, 10);
  items.push_back(report::ImageItem{box, box, report::Picture(std::move(rgba))});
  report::Document doc = doc_;
  doc.pages = {report::Page(1, std::move(items))};

  const fs::path pdf = dir_ / "page.pdf";
  WritePdf(doc, pdf.string());
  const double dpi = 127;  // one pixel per fifth of a millimetre
  RunCommand("pdftoppm -r 127 -png -singlefile '" + pdf.string() + "' '" +
             (dir_ / "poppler").string() + "'");
  const QImage poppler(QString::fromStdString((dir_ / "poppler.png").string()));
  const QImage painted = RenderPage(doc, doc.pages[0], dpi);
  // poppler rounds the sheet's 1050 x 1485 pixels up by one.
  ASSERT_NEAR(poppler.width(), painted.width(), 1);
  ASSERT_NEAR(poppler.height(), painted.height(), 1);

  // Glyph edges and line pixels may fall either side of a pixel boundary;
  // anything more would be a misplaced or missing item.
  long differing = 0;
  for (int y = 0; y < painted.height(); ++y) {
    for (int x = 0; x < painted.width(); ++x) {
      differing += std::abs(qGray(poppler.pixel(x, y)) - qGray(painted.pixel(x, y))) > 96;
    }
  }
  EXPECT_LT(differing, painted.width() * painted.height() / 300) << differing;

  auto at = [&](double x_mm, double y_mm) {
    return QColor(poppler.pixel(static_cast<int>(x_mm * 5), static_cast<int>(y_mm * 5)));
  };
  EXPECT_EQ(at(155, 255), QColor(255, 0, 0));
  const QColor half = at(165, 255);
  EXPECT_NEAR(half.red(), 127, 3);
  EXPECT_NEAR(half.green(), 127, 3);
  EXPECT_EQ(half.blue(), 255);
  EXPECT_EQ(at(175, 255), QColor(255, 255, 255));
  // The one-bit picture: its columns 0-1 black, 2-4 white.
  EXPECT_LT(qGray(at(127.1, 26.3).rgb()), 128);
  EXPECT_GT(qGray(at(127.0 + 2.5 * 25.4 / 96, 26.3).rgb()), 128);

  const std::string check = RunCommand("qpdf --check '" + pdf.string() + "' 2>&1");
  EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
}

TEST_F(Output, ReportsFilesItCannotWrite) {
  const std::string path = (dir_ / "missing" / "x.pdf").string();
  try {
    WritePdf(doc_, path);
    FAIL();
  } catch (const OutputError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write the PDF file " + path);
  }
  report::Document empty;
  try {
    WritePdf(empty, (dir_ / "empty.pdf").string());
    FAIL();
  } catch (const OutputError& e) {
    EXPECT_STREQ(e.what(), "The document has no page");
  }
}

}  // namespace
}  // namespace platform

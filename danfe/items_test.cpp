// The item grid and the page footer of the DANFE, laid out with the fixed
// test font (a byte is size/10 mm wide; ascent 0.3 x size mm, descent 0.1 x
// size mm), so every position below is exact: a 5 pt item code is 0.5 mm a
// byte with its baseline 1.5 mm below its top, a 6 pt description line is
// 2.4 mm high with its baseline 1.8 mm below its top.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "danfe/danfe.h"
#include "danfe/layout.h"
#include "danfe/test_invoice.h"
#include "invoice/error.h"

namespace danfe {
namespace {

using report::Tenths;
using testing::InvoiceFile;

struct NoLogo : Services {
  std::filesystem::path ProgramFolder() override { return "/nonexistent"; }
  report::Picture LoadPicture(const std::filesystem::path&) override { return {}; }
  void ShowLogoError() override {}
};

// The test font with bytes two and a half times as wide, as wide as the
// real font's capitals: 1.5 mm at 6 pt, so that the 120 characters of a
// description make up to four lines.
class WideFont : public report::FixedFontMetrics {
 public:
  report::FaceMetrics Measure(const report::FontSpec& font) const override {
    report::FaceMetrics face = FixedFontMetrics::Measure(font);
    for (double& advance : face.advance) advance *= 2.5;
    return face;
  }
};

// A filled DANFE printed as a run prints it: a first pass counts the sheets
// that the sheet labels show after the slash.
struct Printed {
  NoLogo desktop;
  Danfe danfe;
  invoice::IniFile data;
  report::Document doc;

  explicit Printed(const InvoiceFile& file, std::shared_ptr<const report::FontMetrics> font =
                                                std::make_shared<report::FixedFontMetrics>())
      : danfe(std::move(font), desktop), data(file.Parse()) {
    danfe.Fill(data);
    danfe.set_total_sheets(static_cast<int>(danfe.report().Run().pages.size()));
    doc = danfe.report().Run();
  }
};

bool Near(Tenths a, double mm) { return std::abs(a.mm() - mm) < 0.005; }

std::vector<report::TextRun> Runs(const report::Page& page) {
  std::vector<report::TextRun> runs;
  for (const report::PageItem& item : page.items()) {
    if (const auto* t = std::get_if<report::TextRun>(&item)) runs.push_back(*t);
  }
  return runs;
}

// The texts drawn with their left edge at x mm, in drawing order.
std::vector<report::TextRun> RunsAt(const report::Page& page, double x) {
  std::vector<report::TextRun> runs;
  for (const report::TextRun& t : Runs(page)) {
    if (Near(t.x, x)) runs.push_back(t);
  }
  return runs;
}

// Item codes start 0.4 mm into the band, descriptions 14.6 mm.
constexpr double kCodeX = 7.0 + 0.4;
constexpr double kDescriptionX = 7.0 + 14.6;

// The item rows' texts in a column: between the headings and the footer.
std::vector<report::TextRun> RowTexts(const report::Page& page, double x, double size) {
  std::vector<report::TextRun> runs;
  for (const report::TextRun& t : RunsAt(page, x)) {
    if (t.font.size == size && t.baseline.mm() > 60.0 && t.baseline.mm() < 238.1) {
      runs.push_back(t);
    }
  }
  return runs;
}
std::vector<report::TextRun> Codes(const report::Page& page) { return RowTexts(page, kCodeX, 5); }
std::vector<report::TextRun> Descriptions(const report::Page& page) {
  return RowTexts(page, kDescriptionX, 6);
}
// The item code's baseline lies 1.7 mm below its row's top.
double RowTop(const report::TextRun& code) { return code.baseline.mm() - 1.7; }

// Words of twelve letters, 7.2 mm at 6 pt and 7.8 mm with their space:
// thirteen fill a line of the 105.8 mm additional data.
std::string Words(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i) text += ' ';
    text += std::string(11, static_cast<char>('A' + i % 26)) + std::to_string(i % 10);
  }
  return text;
}

// Words too long to share a line with another, each of `letters` letters.
std::vector<std::string> LongWords(int count, int letters) {
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) words.emplace_back(letters, static_cast<char>('A' + i % 26));
  return words;
}
std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}
// A description of one line per word in the wide font: 23 letters are
// 34.5 mm, two of them do not share the 65.8 mm description.
std::vector<std::string> DescriptionLines(int lines) { return LongWords(lines, 23); }

TEST(ItemGridTest, RowsFillTheSheetsAsThePaginationTableSays) {
  struct Case {
    int items;
    bool preview;
    std::vector<int> rows_per_sheet;
  };
  const Case cases[] = {
      {3, false, {25}},      {25, false, {25}},
      {27, false, {27}},     {28, false, {27, 1}},
      {84, false, {27, 57}}, {85, false, {27, 57, 1}},
      {28, true, {28}},      {29, true, {28, 1}},
      {87, true, {28, 59}},  {150, true, {28, 59, 59, 4}},
  };
  for (const Case& c : cases) {
    InvoiceFile file;
    file.AddItems(c.items);
    if (c.preview) file.Set("Danfe", "Preview", "S");
    Printed p(file);
    const std::string what = std::to_string(c.items) + (c.preview ? " items, preview" : " items");
    ASSERT_EQ(p.doc.pages.size(), c.rows_per_sheet.size()) << what;
    const double heading_top[] = {151.9, 60.1};
    const double first_row[] = {c.preview ? 152.5 : 156.2, c.preview ? 60.7 : 64.4};
    const int sheets = static_cast<int>(p.doc.pages.size());
    int item = 0;
    for (int s = 0; s < sheets; ++s) {
      const report::Page& page = p.doc.pages[s];
      const std::vector<report::TextRun> codes = Codes(page);
      // Blank rows print no code; the rows follow one another 3.0 mm apart.
      const int filled = std::min<int>(c.rows_per_sheet[s], c.items - item);
      ASSERT_EQ(codes.size(), static_cast<size_t>(filled)) << what << ", sheet " << s + 1;
      for (int r = 0; r < filled; ++r) {
        EXPECT_EQ(codes[r].bytes, InvoiceFile::Code(++item)) << what;
        EXPECT_NEAR(RowTop(codes[r]), first_row[s ? 1 : 0] + 3.0 * r, 0.005)
            << what << ", sheet " << s + 1 << ", row " << r + 1;
      }
      // The headings on every sheet, the sheet label with the real count.
      const std::vector<report::TextRun> ncm = RunsAt(page, 7.0 + 82.2);
      ASSERT_FALSE(ncm.empty()) << what;
      EXPECT_EQ(ncm.front().bytes, "NCM/SH");
      EXPECT_NEAR(ncm.front().baseline.mm() - 1.5, heading_top[s ? 1 : 0], 0.005) << what;
      const std::string label = "FL " + std::to_string(s + 1) + "/" + std::to_string(sheets);
      EXPECT_TRUE(std::ranges::any_of(Runs(page), [&](const auto& t) { return t.bytes == label; }))
          << what << ": " << label;
    }
  }
}

TEST(ItemGridTest, LongDescriptionsGrowTheirRowsAndPushTheNextDown) {
  InvoiceFile file;
  file.AddItem("P0001", "CURTA");
  file.AddItem("P0002", Joined(DescriptionLines(2)));
  file.AddItem("P0003", "CURTA");
  file.AddItem("P0004", Joined(DescriptionLines(3)));
  file.AddItem("P0005", "CURTA");
  Printed p(file, std::make_shared<WideFont>());
  // The 7.2 mm of growth push the last of the 25 rows onto a second sheet.
  ASSERT_EQ(p.doc.pages.size(), 2u);
  const report::Page& page = p.doc.pages[0];

  // Each further line of 2.4 mm grows the 3.0 mm row, rounded to whole
  // tenths: 5.4 and 7.8 mm.
  const std::vector<report::TextRun> codes = Codes(page);
  ASSERT_EQ(codes.size(), 5u);
  const double tops[] = {156.2, 159.2, 164.6, 167.6, 175.4};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(RowTop(codes[i]), tops[i], 0.005) << "row " << i + 1;

  const std::vector<report::TextRun> lines = Descriptions(page);
  const std::vector<std::string> two = DescriptionLines(2), three = DescriptionLines(3);
  struct Line {
    std::string bytes;
    double baseline;
  };
  const Line expected[] = {
      {"CURTA", 156.2 + 2.0},  {two[0], 159.2 + 2.0},   {two[1], 159.2 + 4.4},
      {"CURTA", 164.6 + 2.0},  {three[0], 167.6 + 2.0}, {three[1], 167.6 + 4.4},
      {three[2], 167.6 + 6.8}, {"CURTA", 175.4 + 2.0},
  };
  ASSERT_EQ(lines.size(), std::size(expected));
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].bytes, expected[i].bytes) << "line " << i + 1;
    EXPECT_NEAR(lines[i].baseline.mm(), expected[i].baseline, 0.005) << "line " << i + 1;
  }

  // The rules of a grown row keep their length: the one at x = 81.1 mm of the
  // three-line row runs from 0.1 mm above its top to 4.0 mm below it.
  int rules = 0;
  for (const report::PageItem& item : page.items()) {
    const auto* l = std::get_if<report::Line>(&item);
    if (l && Near(l->x1, 7.0 + 81.15) && Near(l->y1, 167.6 - 0.1)) {
      ++rules;
      EXPECT_NEAR(l->y2.mm(), 167.6 + 4.0, 0.005);
    }
  }
  EXPECT_EQ(rules, 1);
}

TEST(ItemGridTest, ARowGrowingAtTheFootOfASheetGoesOnOnTheNext) {
  // Row 27 starts at 234.2 mm, with room for its first line only.
  InvoiceFile file;
  file.AddItems(26);
  const std::vector<std::string> three = DescriptionLines(3);
  file.AddItem("P0027", Joined(three));
  file.AddItem("P0028", "DEPOIS");
  Printed p(file, std::make_shared<WideFont>());
  ASSERT_EQ(p.doc.pages.size(), 2u);

  const std::vector<report::TextRun> first = Descriptions(p.doc.pages[0]);
  ASSERT_EQ(first.size(), 27u);
  EXPECT_EQ(first.back().bytes, three[0]);
  EXPECT_NEAR(first.back().baseline.mm(), 234.2 + 2.0, 0.005);

  // Below the headings of sheet 2 the rest of the description, from the
  // description's own top, then row 28 after the grown continuation.
  const std::vector<report::TextRun> second = Descriptions(p.doc.pages[1]);
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0].bytes, three[1]);
  EXPECT_NEAR(second[0].baseline.mm(), 64.4 + 2.0, 0.005);
  EXPECT_EQ(second[1].bytes, three[2]);
  EXPECT_NEAR(second[1].baseline.mm(), 64.4 + 4.4, 0.005);
  EXPECT_EQ(second[2].bytes, "DEPOIS");
  const std::vector<report::TextRun> codes = Codes(p.doc.pages[1]);
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0].bytes, "P0028");
  EXPECT_NEAR(RowTop(codes[0]), 64.4 + 5.4, 0.005);
}

TEST(ItemGridTest, NoItemLineIsLost) {
  std::mt19937 random(20130102);
  std::uniform_int_distribution<int> word_count(0, 9);
  std::uniform_int_distribution<int> word_length(1, 38);
  std::uniform_int_distribution<int> letter('A', 'Z');
  InvoiceFile file;
  std::vector<std::string> descriptions;
  for (int i = 1; i <= 200; ++i) {
    std::string description;
    for (int w = word_count(random); w > 0; --w) {
      const int length = word_length(random);
      if (description.size() + 1 + length > 120) break;
      if (!description.empty()) description += ' ';
      for (int n = length; n > 0; --n) description += static_cast<char>(letter(random));
    }
    descriptions.push_back(description);
    file.AddItem(InvoiceFile::Code(i), description);
  }
  Printed p(file, std::make_shared<WideFont>());
  const int sheets = static_cast<int>(p.doc.pages.size());
  ASSERT_GE(sheets, 4);

  // Walking the sheets in order, each code is followed by its description's
  // lines, some of them on the next sheet.
  std::map<std::string, int> seen;
  std::vector<std::string> joined;
  int continued = 0;
  for (const report::Page& page : p.doc.pages) {
    bool row_on_sheet = false;
    for (const report::TextRun& t : Runs(page)) {
      if (t.baseline.mm() < 60.0 || t.baseline.mm() > 238.1) continue;
      if (Near(t.x, kCodeX) && t.font.size == 5) {
        ++seen[t.bytes];
        joined.emplace_back();
        row_on_sheet = true;
      } else if (Near(t.x, kDescriptionX) && t.font.size == 6) {
        ASSERT_FALSE(joined.empty());
        if (!row_on_sheet) ++continued;
        joined.back() += t.bytes;
      }
    }
    const std::string label = "FL " + std::to_string(page.number()) + "/" + std::to_string(sheets);
    EXPECT_TRUE(std::ranges::any_of(Runs(page), [&](const auto& t) { return t.bytes == label; }))
        << label;
  }
  ASSERT_EQ(seen.size(), 200u);
  for (const auto& [code, count] : seen) EXPECT_EQ(count, 1) << code;
  ASSERT_EQ(joined.size(), 200u);
  for (size_t i = 0; i < joined.size(); ++i) {
    // Lines drop the space they broke at.
    std::string description = descriptions[i];
    std::erase(description, ' ');
    std::string lines = joined[i];
    std::erase(lines, ' ');
    EXPECT_EQ(lines, description) << InvoiceFile::Code(static_cast<int>(i) + 1);
  }
  // Some description went on on the next sheet.
  EXPECT_GT(continued, 0);
}

TEST(ItemGridTest, HeadingAndRowRulesJoinIntoOneGrid) {
  // The x of every vertical rule of a band, and how far below the band's
  // top its shortest rule ends.
  struct Rules {
    std::set<long> x;  // hundredths of a millimetre
    double shortest = 1e9;
    report::Tenths height;
  };
  const auto rules = [](const std::string& band) {
    Rules r;
    for (const report::BandDesign& b : DanfeBands()) {
      if (b.name != band) continue;
      r.height = b.height;
      for (const report::ElementDesign& e : b.elements) {
        const auto* shape = std::get_if<report::ShapeDesign>(&e);
        if (!shape || shape->shape != report::ShapeKind::kVerticalLine) continue;
        const report::Box& box = shape->box;
        r.x.insert(std::lround((box.left + box.width / 2).value() * 10));
        r.shortest = std::min(r.shortest, box.bottom().mm());
      }
    }
    return r;
  };
  const Rules heading = rules("QRChildBandDescricaoItens");
  const Rules row = rules("QRBandDetalhe");
  EXPECT_EQ(heading.x.size(), 16u);
  EXPECT_EQ(heading.x, row.x);
  // Each band's rules reach below it, into the first row or the next one.
  EXPECT_GT(heading.shortest, heading.height.mm());
  EXPECT_GT(row.shortest, row.height.mm());
}

TEST(ItemGridTest, TheCstHeadingFollowsTheTaxRegime) {
  struct Case {
    const char* crt;  // nullptr: no CRT key
    int items;
    const char* heading;
  };
  const Case cases[] = {
      {"3", 2, "CST"},       {"1", 2, "CSOSN"}, {"2", 2, "CSOSN"},
      {nullptr, 2, "CSOSN"}, {" 3", 2, "CST"},  // the reader trims values
      {"03", 2, "CSOSN"},    {"1", 0, "CST"},   {nullptr, 0, "CST"},
  };
  for (const Case& c : cases) {
    InvoiceFile file;
    file.AddItems(c.items);
    if (c.crt) {
      file.Set("emit", "CRT", c.crt);
    } else {
      file.Remove("emit", "CRT");
    }
    Printed p(file);
    const std::vector<report::TextRun> heading = RunsAt(p.doc.pages[0], 7.0 + 92.6);
    ASSERT_EQ(heading.size(), 1u);
    EXPECT_EQ(heading[0].bytes, c.heading) << (c.crt ? c.crt : "no CRT") << ", " << c.items;
  }
}

TEST(ItemGridTest, TheDefaultGridHasNoFinalPriceColumn) {
  InvoiceFile file;
  file.AddItems(3);
  Printed p(file);
  const report::Page& page = p.doc.pages[0];
  for (const report::TextRun& t : Runs(page)) {
    EXPECT_NE(t.bytes, "P. FINAL");
    const bool in_rows = t.baseline.mm() > 151.9 && t.baseline.mm() < 238.1;
    EXPECT_FALSE(in_rows && t.x.mm() > 7.0 + 71.0 && t.x.mm() < 7.0 + 81.0) << t.bytes;
  }
  for (const report::PageItem& item : page.items()) {
    const auto* l = std::get_if<report::Line>(&item);
    EXPECT_FALSE(l && Near(l->x1, 7.0 + 71.05)) << report::Dump(item);
  }
  EXPECT_NEAR(p.danfe.report().element("QRDBTextNomeProduto").box().right().mm(), 80.37, 0.005);
}

// The tail of a sheet from the footer band's white fill at 238.1 mm.
std::string FooterDump(const report::Page& page) {
  std::string dump;
  bool footer = false;
  for (const report::PageItem& item : page.items()) {
    const auto* fill = std::get_if<report::FillRect>(&item);
    if (fill && Near(fill->box.top, 238.1) && Near(fill->box.height, 52.917)) footer = true;
    if (footer) dump += report::Dump(item) + "\n";
  }
  return dump;
}

TEST(FooterTest, EverySheetEndsWithTheSameFooter) {
  InvoiceFile file;
  file.AddItems(85);
  Printed p(file);
  ASSERT_EQ(p.doc.pages.size(), 3u);
  const std::string first = FooterDump(p.doc.pages[0]);
  EXPECT_NE(first.find("\"Gerada pelo sistema KOLVE - "), std::string::npos) << first;
  for (const report::Page& page : p.doc.pages) EXPECT_EQ(FooterDump(page), first);
}

TEST(FooterTest, TextsStandWhereTheLayoutPutsThem) {
  InvoiceFile file;
  file.AddItems(1);
  file.Set("infAdic", "infCpl", "PEDIDO 778");
  Printed p(file);
  const std::vector<report::TextRun> runs = Runs(p.doc.pages[0]);
  constexpr double kTop = 238.1;
  struct Case {
    std::string text;
    double x;
    double baseline;
  };
  const Case cases[] = {
      {"C\xC1LCULO DO ISSQN", 7.0, kTop + 0.4 + 1.5},
      {"12345", 7.0 + 39.7 - 5 * 0.7, kTop + 5.1 + 2.1},
      {"1.500,00", 7.0 + 89.6 - 8 * 0.7, kTop + 5.1 + 2.1},
      {"1.500,00", 7.0 + 130.9 - 8 * 0.7, kTop + 5.1 + 2.1},
      {"75,00", 7.0 + 194.4 - 5 * 0.7, kTop + 4.9 + 2.1},
      {"INFORMA\xC7\xD5"
       "ES COMPLEMENTARES",
       7.0 + 0.4, kTop + 11.9 + 1.8},
      {"PEDIDO 778", 7.0 + 1.3, kTop + 15.1 + 1.8},
      {"Protocolo: ", 7.0 + 1.3, kTop + 15.1 + 2.4 + 1.8},
      {"Gerada pelo sistema KOLVE - www.kolve.com.br - (54) - 3045-7700", 7.0 + 32.9,
       kTop + 48.9 + 1.8},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(std::ranges::any_of(runs, [&](const report::TextRun& t) {
      return t.bytes == c.text && Near(t.x, c.x) && Near(t.baseline, c.baseline);
    })) << c.text;
  }
}

TEST(FooterTest, WithoutIssqnTotalsTheBoxesShowOnlyTheirCaptions) {
  InvoiceFile file;
  file.Remove("ISSQNtot", "vServ");
  file.Remove("ISSQNtot", "vBC");
  file.Remove("ISSQNtot", "vISS");
  Printed p(file);
  for (const char* label : {"QRLValorTotalServicos", "QRLBaseCalcISSQN", "QRLValorISSQN"}) {
    EXPECT_EQ(p.danfe.report().label(label).caption(), "") << label;
  }
  EXPECT_EQ(RunsAt(p.doc.pages[0], 7.0 + 145.7).at(0).bytes, "VALOR DO ISSQN");
}

TEST(FooterTest, AnIssqnValueThatDoesNotConvertStopsTheFill) {
  InvoiceFile file;
  file.Set("ISSQNtot", "vBC", "1,500.00");
  NoLogo desktop;
  Danfe danfe(std::make_shared<report::FixedFontMetrics>(), desktop);
  const invoice::IniFile data = file.Parse();
  EXPECT_THROW(danfe.Fill(data), invoice::Error);
  // The fill stopped at the base: the value before it is there, the system
  // line after it is not.
  EXPECT_EQ(danfe.report().label("QRLValorTotalServicos").caption(), "1.500,00");
  EXPECT_EQ(danfe.report().label("QRLabelKolve").caption(), "");
}

TEST(FooterTest, AdditionalDataWrapsAndIsCutAtTheBoxHeight) {
  // 105.8 mm hold thirteen words of twelve letters or one of ninety;
  // 32.7 mm hold thirteen lines.
  struct Case {
    std::string infcpl;
    std::vector<std::string> lines;
  };
  const std::vector<std::string> fourteen = LongWords(14, 90);
  const std::vector<std::string> twelve(fourteen.begin(), fourteen.begin() + 12);
  const std::vector<std::string> thirteen(fourteen.begin(), fourteen.begin() + 13);
  std::vector<std::string> twelve_and_protocol = twelve;
  twelve_and_protocol.push_back("Protocolo: ");
  const Case cases[] = {
      {"", {"Protocolo: "}},
      {"PEDIDO 778", {"PEDIDO 778", "Protocolo: "}},
      {Words(26), {Words(26).substr(0, 13 * 13 - 1), Words(26).substr(13 * 13), "Protocolo: "}},
      {Joined(twelve), twelve_and_protocol},
      // The protocol line, coming last, is the first to be lost.
      {Joined(thirteen), thirteen},
      {Joined(fourteen), thirteen},
  };
  for (const Case& c : cases) {
    InvoiceFile file;
    file.Set("infAdic", "infCpl", c.infcpl);
    Printed p(file);
    std::vector<std::string> lines;
    std::vector<double> baselines;
    for (const report::TextRun& t : RunsAt(p.doc.pages[0], 7.0 + 1.3)) {
      if (t.baseline.mm() > 238.1 + 15.1) {
        lines.push_back(t.bytes);
        baselines.push_back(t.baseline.mm());
      }
    }
    // An empty first line draws nothing but keeps its place.
    const double first = c.infcpl.empty() ? 238.1 + 15.1 + 2.4 + 1.8 : 238.1 + 15.1 + 1.8;
    EXPECT_EQ(lines, c.lines) << c.infcpl.substr(0, 20);
    for (size_t i = 0; i < baselines.size(); ++i) {
      EXPECT_NEAR(baselines[i], first + 2.4 * static_cast<double>(i), 0.005);
    }
  }
}

}  // namespace
}  // namespace danfe

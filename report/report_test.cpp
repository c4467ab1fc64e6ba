#include "report/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "report/test_layout.h"

namespace report {
namespace {

using testing::MakeRows;
using testing::MakeTestLayout;

std::shared_ptr<const FontMetrics> Fixed() { return std::make_shared<FixedFontMetrics>(); }

// The tops of a band's white fills on a page, in whole tenths: every placed
// band starts with one the size of the band.
std::vector<long> BandTops(const Page& page, const Band& band) {
  std::vector<long> tops;
  for (const PageItem& item : page.items()) {
    const auto* fill = std::get_if<FillRect>(&item);
    if (fill && fill->box.width == band.width() && fill->box.height == band.height()) {
      tops.push_back(static_cast<long>(Rnd(fill->box.top)));
    }
  }
  return tops;
}

std::vector<std::string> Texts(const Page& page) {
  std::vector<std::string> texts;
  for (const PageItem& item : page.items()) {
    if (const auto* t = std::get_if<TextRun>(&item)) texts.push_back(t->bytes);
  }
  return texts;
}

const TextRun* FindText(const Page& page, std::string_view bytes) {
  for (const PageItem& item : page.items()) {
    const auto* t = std::get_if<TextRun>(&item);
    if (t && t->bytes == bytes) return t;
  }
  return nullptr;
}

struct PaginationCase {
  int rows;
  bool short_heading;
  std::vector<int> rows_per_page;
  long first_row_page1;
  long first_row_later;
};

class Pagination : public ::testing::TestWithParam<PaginationCase> {};

TEST_P(Pagination, PlacesBandsAndBreaksPages) {
  const PaginationCase& c = GetParam();
  auto layout = MakeTestLayout(Fixed(), c.short_heading);
  Report& r = *layout->report;
  auto rows = MakeRows(c.rows);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();

  const Document doc = r.Run();
  ASSERT_EQ(doc.pages.size(), c.rows_per_page.size());
  for (size_t p = 0; p < doc.pages.size(); ++p) {
    const Page& page = doc.pages[p];
    SCOPED_TRACE("page " + std::to_string(p + 1));
    EXPECT_EQ(page.number(), static_cast<int>(p + 1));
    const long heading_height = Rnd(r.band("Heading").height());
    if (p == 0) {
      EXPECT_EQ(BandTops(page, r.band("Title")), std::vector<long>{60});
      EXPECT_EQ(BandTops(page, r.band("Header")), std::vector<long>{241});
      EXPECT_EQ(BandTops(page, r.band("Recipient")), std::vector<long>{782});
      EXPECT_EQ(BandTops(page, r.band("Heading")), std::vector<long>{1519});
    } else {
      EXPECT_TRUE(BandTops(page, r.band("Title")).empty());
      EXPECT_EQ(BandTops(page, r.band("Header")), std::vector<long>{60});
      EXPECT_TRUE(BandTops(page, r.band("Recipient")).empty());
      EXPECT_EQ(BandTops(page, r.band("Heading")), std::vector<long>{601});
    }
    const std::vector<long> details = BandTops(page, r.band("Detail"));
    ASSERT_EQ(details.size(), static_cast<size_t>(c.rows_per_page[p]));
    const long first = p == 0 ? c.first_row_page1 : c.first_row_later;
    EXPECT_EQ(first, (p == 0 ? 1519 : 601) + heading_height);
    for (size_t i = 0; i < details.size(); ++i) EXPECT_EQ(details[i], first + 30 * long(i));
    EXPECT_EQ(BandTops(page, r.band("Footer")), std::vector<long>{2381});
    EXPECT_NE(FindText(page, "FL " + std::to_string(p + 1)), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Pagination,
                         ::testing::Values(PaginationCase{25, false, {25}, 1562, 644},
                                           PaginationCase{27, false, {27}, 1562, 644},
                                           PaginationCase{28, false, {27, 1}, 1562, 644},
                                           PaginationCase{84, false, {27, 57}, 1562, 644},
                                           PaginationCase{85, false, {27, 57, 1}, 1562, 644},
                                           PaginationCase{28, true, {28}, 1525, 607},
                                           PaginationCase{29, true, {28, 1}, 1525, 607},
                                           PaginationCase{87, true, {28, 59}, 1525, 607},
                                           PaginationCase{88, true, {28, 59, 1}, 1525, 607}));

TEST(Report, LastRowOfOnePageEndsAboveTheFooter) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(27);
  r.set_data_source(rows.get());
  const Document doc = r.Run();
  const std::vector<long> tops = BandTops(doc.pages[0], r.band("Detail"));
  EXPECT_EQ(tops[24] + 30, 2312);  // row 25 ends at 231.2 mm
  EXPECT_EQ(tops[26], 2342);       // row 27 starts at 234.2 mm
}

TEST(Report, EmptyTableGivesNoPage) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(0);
  r.set_data_source(rows.get());
  int report_handler = 0;
  r.before_print = [&](Report&, bool&) { ++report_handler; };
  EXPECT_TRUE(r.Run().pages.empty());
  EXPECT_EQ(report_handler, 1);
  EXPECT_EQ(layout->recipient_handler_runs, 0);
}

TEST(Report, ReportHandlerCanCancelThePass) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(3);
  r.set_data_source(rows.get());
  r.before_print = [](Report&, bool& print) { print = false; };
  EXPECT_TRUE(r.Run().pages.empty());
}

TEST(Report, EveryPassNumbersItsPagesFromOne) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(85);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();
  const Document first = r.Run();
  const Document second = r.Run();
  ASSERT_EQ(second.pages.size(), 3u);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(second.pages[p].number(), p + 1);
    EXPECT_NE(FindText(second.pages[p], "FL " + std::to_string(p + 1)), nullptr);
    EXPECT_EQ(first.pages[p].Dump(), second.pages[p].Dump());
  }
  // The recipient handler runs on every page of both passes.
  EXPECT_EQ(layout->recipient_handler_runs, 6);
}

TEST(Report, DisabledBandRunsNoHandlerAndItsChildStillPrints) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(3);
  r.set_data_source(rows.get());
  r.band("Recipient").set_enabled(false);
  bool after = false;
  r.band("Recipient").after_print = [&](Band&, bool) { after = true; };
  const Document doc = r.Run();
  EXPECT_EQ(layout->recipient_handler_runs, 0);
  EXPECT_FALSE(after);
  // The heading follows the column header directly, as on later pages.
  EXPECT_EQ(BandTops(doc.pages[0], r.band("Heading")), std::vector<long>{782});
  EXPECT_EQ(BandTops(doc.pages[0], r.band("Detail")).front(), 825);
}

TEST(Report, AfterPrintHandlerSeesTheFinalFlag) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(28);
  r.set_data_source(rows.get());
  std::vector<bool> printed;
  r.band("Recipient").after_print = [&](Band&, bool p) { printed.push_back(p); };
  r.Run();
  EXPECT_EQ(printed, (std::vector<bool>{true, false}));
}

TEST(Report, DisabledFooterTakesNoReserve) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(100);
  r.set_data_source(rows.get());
  r.band("Footer").set_enabled(false);
  const Document doc = r.Run();
  // Rows start at 1562 + 30k while rnd(2910 - y) >= 30: k up to 43.
  EXPECT_EQ(BandTops(doc.pages[0], r.band("Detail")).size(), 44u);
  EXPECT_TRUE(BandTops(doc.pages[0], r.band("Footer")).empty());
}

TEST(Report, ClearDynamicLabelsKeepsStaticCaptions) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();
  EXPECT_EQ(r.label("Received").caption(), "RECEIVED");
  EXPECT_EQ(r.label("Total").caption(), "");
  EXPECT_EQ(r.label("RecipientName").caption(), "");
  EXPECT_EQ(r.label("Notes").caption(), "");
  const std::vector<std::string> texts = Texts(r.Run().pages[0]);
  for (const char* gone : {"9.999,99", "sample name", "sample notes"}) {
    EXPECT_EQ(std::count(texts.begin(), texts.end(), gone), 0) << gone;
  }
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "RECEIVED"), 1);
}

TEST(Report, AutoSizeKeepsTheEdgeOfItsAlignment) {
  struct Case {
    Align align;
    double left_after;  // design box 1300..1540, 8 pt bold: 9.6 tenths a byte
  };
  for (const Case& c : {Case{Align::kLeft, 1300}, Case{Align::kRight, 1540 - 96},
                        Case{Align::kCenter, 1420 - 48}}) {
    auto layout = MakeTestLayout(Fixed());
    Report& r = *layout->report;
    Label& total = r.label("Total");
    total.set_alignment(c.align);
    r.ClearDynamicLabels();
    EXPECT_DOUBLE_EQ(total.box().width.value(), 0);
    total.SetCaption("1.234,5678");
    EXPECT_DOUBLE_EQ(total.box().left.value(), c.left_after);
    EXPECT_DOUBLE_EQ(total.box().width.value(), 96);
    // A shorter text later still grows from the same edge.
    total.SetCaption("12,34");
    const double expected = c.align == Align::kRight  ? 1540 - 48
                            : c.align == Align::kLeft ? 1300
                                                      : 1420 - 24;
    EXPECT_DOUBLE_EQ(total.box().left.value(), expected);
    // Higher than one line pitch (32) already, so the height stays.
    EXPECT_DOUBLE_EQ(total.box().height.value(), 34);
  }
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();
  r.label("Total").SetCaption("1.234,56");
  const Document document = r.Run();
  const TextRun* run = FindText(document.pages[0], "1.234,56");
  ASSERT_NE(run, nullptr);
  EXPECT_DOUBLE_EQ((run->x + run->width).value(), 70 + 1540);
  EXPECT_DOUBLE_EQ(run->baseline.value(), 60 + 105 + 24);
}

TEST(Report, FixedLabelShowsOnlyTheLinesThatFit) {
  // 7 pt: 28 tenths a line; a line shows while its bottom is within 0.1 mm
  // below the box.
  struct Case {
    double height;
    size_t lines;
  };
  for (const Case& c : {Case{80, 2}, Case{82.9, 2}, Case{83, 3}, Case{84, 3}, Case{200, 4}}) {
    auto layout = MakeTestLayout(Fixed());
    Report& r = *layout->report;
    auto rows = MakeRows(1);
    r.set_data_source(rows.get());
    Label& notes = r.label("Notes");
    notes.set_height(Tenths(c.height));
    notes.SetCaption("first\r\nsecond\r\nthird\r\nfourth");
    const Page page = std::move(r.Run().pages[0]);
    std::vector<std::string> shown;
    for (const char* line : {"first", "second", "third", "fourth"}) {
      if (FindText(page, line)) shown.push_back(line);
    }
    EXPECT_EQ(shown.size(), c.lines) << c.height;
  }
}

TEST(Report, OpaqueLabelFillsItsBoxFirst) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.label("RecipientName").SetCaption("ACME");
  const Page page = std::move(r.Run().pages[0]);
  std::string dump = page.Dump();
  const std::string fill = "fill 80 832 600 40 #ffffff\ntext 80 856 ";
  EXPECT_NE(dump.find(fill), std::string::npos) << dump;
}

std::unique_ptr<TableDataSource> RowsWithLongDescription(int n, int long_row, int words) {
  auto out = std::make_unique<TableDataSource>(std::vector<std::string>{"Code", "Description"});
  for (int i = 1; i <= n; ++i) {
    std::string d = "Item" + std::to_string(i);
    if (i == long_row) {
      d.clear();
      // 6 pt: 55.6 mm hold 92 bytes; every word of 90 bytes takes a line.
      for (int w = 0; w < words; ++w) d += (w ? " " : "") + std::string(89, char('a' + w));
    }
    out->AddRow({std::to_string(i), d});
  }
  return out;
}

TEST(Report, StretchingRowPushesTheNextRowDown) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = RowsWithLongDescription(3, 1, 3);
  r.set_data_source(rows.get());
  const Document doc = r.Run();
  // Three lines of 24 tenths in a 34 tenths box: two more line pitches.
  EXPECT_EQ(BandTops(doc.pages[0], r.band("Detail")), (std::vector<long>{1562, 1640, 1670}));
  const TextRun* third = FindText(doc.pages[0], std::string(89, 'c'));
  ASSERT_NE(third, nullptr);
  EXPECT_DOUBLE_EQ(third->baseline.value(), 1562 + 2 + 48 + 18);
}

TEST(Report, GrowthContinuesOnTheNextPage) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  // Row 27 starts at 2342 with 39 tenths of room: no room for a second line.
  auto rows = RowsWithLongDescription(30, 27, 4);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();
  const Document doc = r.Run();
  ASSERT_EQ(doc.pages.size(), 2u);
  const Page& p1 = doc.pages[0];
  const Page& p2 = doc.pages[1];
  EXPECT_EQ(BandTops(p1, r.band("Detail")).back(), 2342);
  EXPECT_NE(FindText(p1, std::string(89, 'a')), nullptr);
  EXPECT_EQ(FindText(p1, std::string(89, 'b')), nullptr);
  EXPECT_EQ(BandTops(p1, r.band("Footer")), std::vector<long>{2381});
  // Page 2: header, heading, the rest of row 27 from the element's top, then 28.
  EXPECT_EQ(BandTops(p2, r.band("Header")), std::vector<long>{60});
  EXPECT_NE(FindText(p2, "FL 2"), nullptr);
  const std::vector<long> details = BandTops(p2, r.band("Detail"));
  ASSERT_EQ(details.size(), 4u);
  EXPECT_EQ(details[0], 644);
  const TextRun* b = FindText(p2, std::string(89, 'b'));
  const TextRun* d = FindText(p2, std::string(89, 'd'));
  ASSERT_NE(b, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_DOUBLE_EQ(b->baseline.value(), 644 + 2 + 18);
  EXPECT_DOUBLE_EQ(d->baseline.value(), 644 + 2 + 48 + 18);
  EXPECT_EQ(details[1], 644 + Rnd(Px(16) + Tenths(48)));
  // The row's code and rule are not drawn again.
  const std::vector<std::string> texts1 = Texts(p1);
  const std::vector<std::string> texts2 = Texts(p2);
  EXPECT_EQ(std::count(texts2.begin(), texts2.end(), "27"), 0);
  EXPECT_EQ(std::count(texts1.begin(), texts1.end(), "27"), 1);
}

TEST(Report, FindsElementsByNameAndKind) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  EXPECT_EQ(r.element("Bars").kind(), ElementKind::kImage);
  EXPECT_EQ(&r.shape("Bar").band(), &r.band("Header"));
  EXPECT_EQ(r.FindElement("Nothing"), nullptr);
  try {
    r.label("Bars");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Element 'Bars' is not a label");
  }
  try {
    r.element("Nothing");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Element 'Nothing' not found");
  }
}

TEST(Report, UnknownFieldFailsThePass) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  TableDataSource rows({"Code"});
  rows.AddRow({"1"});
  r.set_data_source(&rows);
  try {
    r.Run();
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Field 'Description' not found");
  }
}

TEST(Report, ShapesAndImagesOfTheFirstPage) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.ClearDynamicLabels();
  const std::string dump = r.Run().pages[0].Dump();
  for (const char* line : {
           "rect 70 60 2000 151 solid\n",        // clear brush: no fill before it
           "line 70 228 2070 228 dashdotdot\n",  // horizontal line at its box's middle
           "fill 70 241 2000 460 #ffffff\nrect 70 241 2000 460 solid\n",
           "line 872.5 241 872.5 701 solid\n",  // vertical line at its box's middle
           "image 1270 261 105.83 26.46 clip 1270 261 50 50 mono 40x10\n",
           "fill 1249 524 818 4 #ffffff\nrect 1249 524 818 4 solid\n",  // the PDF rectangle
       }) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << dump;
  }
  EXPECT_EQ(dump.find("fill 70 60 2000 151"), std::string::npos);
}

TEST(Report, StretchedImageFillsItsBox) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.image("Bars").set_stretch(true);
  r.image("Bars").set_picture(Picture(RgbaImage{2, 1, {0xff000000u, 0xffffffffu}}));
  std::string dump = r.Run().pages[0].Dump();
  EXPECT_NE(dump.find("image 1270 261 50 50 clip 1270 261 50 50 rgba 2x1\n"), std::string::npos);
  r.image("Bars").set_picture(Picture());
  dump = r.Run().pages[0].Dump();
  EXPECT_EQ(dump.find("image "), std::string::npos);
}

TEST(Report, DisabledElementsAreNotDrawn) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  auto rows = MakeRows(1);
  r.set_data_source(rows.get());
  r.element("Received").set_enabled(false);
  r.element("CutLine").set_enabled(false);
  const std::string dump = r.Run().pages[0].Dump();
  EXPECT_EQ(dump.find("RECEIVED"), std::string::npos);
  EXPECT_EQ(dump.find("dashdotdot"), std::string::npos);
}

TEST(Report, RejectsInconsistentBands) {
  auto layout = MakeTestLayout(Fixed());
  Report& r = *layout->report;
  struct Case {
    BandDesign band;
    const char* message;
  };
  const Case cases[] = {
      {{.name = "Detail2", .kind = BandKind::kDetail, .height = Tenths(30)},
       "Band 'Detail2' is a second band of its kind"},
      {{.name = "Title", .kind = BandKind::kChild, .height = Tenths(30), .parent = "Detail"},
       "Duplicate band name 'Title'"},
      {{.name = "Orphan", .kind = BandKind::kChild, .height = Tenths(30), .parent = "None"},
       "Band 'Orphan' has no parent band 'None'"},
      {{.name = "Second", .kind = BandKind::kChild, .height = Tenths(30), .parent = "Header"},
       "Band 'Header' already has a child band"},
      {{.name = "Twice",
        .kind = BandKind::kChild,
        .height = Tenths(30),
        .parent = "Footer",
        .elements = {LabelDesign{.name = "Notes"}}},
       "Element name 'Notes' is empty or not unique"},
  };
  for (const Case& c : cases) {
    try {
      r.AddBand(c.band);
      ADD_FAILURE() << c.message;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace report

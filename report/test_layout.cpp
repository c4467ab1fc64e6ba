#include "report/test_layout.h"

#include <string>

namespace report::testing {

std::unique_ptr<TestLayout> MakeTestLayout(std::shared_ptr<const FontMetrics> metrics,
                                           bool short_heading) {
  auto layout = std::make_unique<TestLayout>();
  layout->report = std::make_unique<Report>(ReportDesign{.name = "TestReport", .title = "TEST"},
                                            std::move(metrics));
  Report& r = *layout->report;

  MonoBitmap bars(40, 10);
  bars.fill_black(0, 0, 2, 8);
  bars.fill_black(5, 0, 6, 8);

  r.AddBand(
      {.name = "Title",
       .kind = BandKind::kTitle,
       .height = Px(96),
       .elements = {
           ShapeDesign{.name = "TitleFrame", .box = MmBox(0, 0, 200, 15.1), .brush = Brush::kClear},
           LabelDesign{.name = "Received",
                       .box = MmBox(1.3, 6.6, 25.7, 3.4),
                       .caption = "RECEIVED",
                       .tag = kStaticTag,
                       .auto_size = true,
                       .transparent = true,
                       .font = {.size = 6}},
           ShapeDesign{.name = "CutLine",
                       .box = MmBox(0, 15.6, 200, 2.4),
                       .shape = ShapeKind::kHorizontalLine,
                       .pen = PenStyle::kDashDotDot},
           LabelDesign{.name = "Total",
                       .box = MmBox(130, 10.5, 24, 3.4),
                       .caption = "9.999,99",
                       .alignment = Align::kRight,
                       .auto_size = true,
                       .transparent = true,
                       .font = {.size = 8, .bold = true}},
       }});
  Band& header = r.AddBand(
      {.name = "Header",
       .kind = BandKind::kColumnHeader,
       .height = Px(286),
       .elements = {
           ShapeDesign{.name = "HeaderFrame", .box = MmBox(0, 0, 200, 46)},
           ShapeDesign{.name = "HeaderRule",
                       .box = MmBox(80, 0, 0.5, 46),
                       .shape = ShapeKind::kVerticalLine},
           ImageDesign{.name = "Bars", .box = MmBox(120, 2, 5, 5), .picture = Picture(bars)},
           PdfShapeDesign{.name = "Bar", .box = MmBox(117.9, 28.3, 81.8, 0.4)},
           LabelDesign{.name = "Issuer",
                       .box = MmBox(2, 2, 70, 10),
                       .caption = "ISSUER",
                       .tag = kStaticTag,
                       .alignment = Align::kCenter,
                       .font = {.size = 12, .bold = true}},
           LabelDesign{.name = "PageLabel",
                       .box = MmBox(90, 40, 20, 3.4),
                       .caption = "FL 9/9",
                       .auto_size = true,
                       .transparent = true,
                       .font = {.size = 8}},
       }});
  header.before_print = [&r](Band&, bool&) {
    r.label("PageLabel").SetCaption("FL " + std::to_string(r.page_number()));
  };
  Band& recipient =
      r.AddBand({.name = "Recipient",
                 .kind = BandKind::kChild,
                 .height = Px(390),
                 .parent = "Header",
                 .elements = {
                     ShapeDesign{.name = "RecipientFrame", .box = MmBox(0, 1, 200, 70)},
                     LabelDesign{.name = "RecipientCaption",
                                 .box = MmBox(1, 2, 60, 3),
                                 .caption = "RECIPIENT",
                                 .tag = kStaticTag,
                                 .font = {.size = 6}},
                     LabelDesign{.name = "RecipientName",
                                 .box = MmBox(1, 5, 60, 4),
                                 .caption = "sample name",
                                 .font = {.size = 8}},
                 }});
  recipient.before_print = [&r, l = layout.get()](Band&, bool& print) {
    ++l->recipient_handler_runs;
    if (r.page_number() > 1) print = false;
  };
  r.AddBand({.name = "Heading",
             .kind = BandKind::kChild,
             .height = short_heading ? Px(3) : Px(23),
             .parent = "Recipient",
             .elements = {
                 LabelDesign{.name = "CodeHeading",
                             .box = MmBox(1, 0.5, 12, 3),
                             .caption = "CODE",
                             .tag = kStaticTag,
                             .transparent = true,
                             .font = {.size = 5}},
                 ShapeDesign{.name = "HeadingRule",
                             .box = MmBox(14, 0, 0.4, 4.5),
                             .shape = ShapeKind::kVerticalLine},
                 LabelDesign{.name = "DescriptionHeading",
                             .box = MmBox(15, 0.5, 50, 3),
                             .caption = "DESCRIPTION",
                             .tag = kStaticTag,
                             .transparent = true,
                             .font = {.size = 5}},
             }});
  r.AddBand({.name = "Detail",
             .kind = BandKind::kDetail,
             .height = Px(16),
             .elements = {
                 DataTextDesign{.name = "CodeText",
                                .box = MmBox(0.5, 0.2, 13, 2.6),
                                .field = "Code",
                                .transparent = true,
                                .font = {.size = 6}},
                 ShapeDesign{.name = "DetailRule",
                             .box = MmBox(14, -0.1, 0.4, 4.1),
                             .shape = ShapeKind::kVerticalLine},
                 DataTextDesign{.name = "DescriptionText",
                                .box = MmBox(14.6, 0.2, 55.6, 3.4),
                                .field = "Description",
                                .auto_stretch = true,
                                .transparent = true,
                                .font = {.size = 6}},
             }});
  r.AddBand({.name = "Footer",
             .kind = BandKind::kPageFooter,
             .height = Px(280),
             .elements = {
                 ShapeDesign{.name = "FooterFrame", .box = MmBox(0, 3, 200, 35)},
                 LabelDesign{.name = "FooterCaption",
                             .box = MmBox(1, 3.5, 40, 3),
                             .caption = "ADDITIONAL DATA",
                             .tag = kStaticTag,
                             .transparent = true,
                             .font = {.size = 6, .bold = true}},
                 LabelDesign{.name = "Notes",
                             .box = MmBox(1, 7, 100, 8),
                             .caption = "sample notes",
                             .transparent = true,
                             .font = {.size = 7}},
             }});
  return layout;
}

std::unique_ptr<TableDataSource> MakeRows(int n) {
  auto rows = std::make_unique<TableDataSource>(std::vector<std::string>{"Code", "Description"});
  for (int i = 1; i <= n; ++i) {
    rows->AddRow({std::to_string(i), "Item" + std::to_string(i)});
  }
  return rows;
}

}  // namespace report::testing

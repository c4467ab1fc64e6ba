// Renders the engine's test layout with real fonts, to look at its pages:
//   render_demo OUTPUT_DIR [ROWS]
// writes test.pdf, page-N.png (150 dpi) and page-N.txt (the display lists).
#include <charconv>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "platform/output.h"
#include "report/test_layout.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: render_demo OUTPUT_DIR [ROWS]\n");
    return 2;
  }
  const std::string dir = argv[1];
  int rows = 30;
  if (argc > 2) {
    const std::string_view arg = argv[2];
    std::from_chars(arg.data(), arg.data() + arg.size(), rows);
  }
  platform::EnsureGuiApplication();
  auto layout = report::testing::MakeTestLayout(std::make_shared<platform::QtFontMetrics>());
  auto data = report::testing::MakeRows(rows);
  report::Report& r = *layout->report;
  r.set_data_source(data.get());
  r.ClearDynamicLabels();
  r.label("Total").SetCaption("1.234,56");
  r.label("RecipientName").SetCaption("JOS\xc9 DA SILVA");
  r.label("Notes").SetCaption(
      "Notes wrap at spaces and hyphens inside their box; the lines that do not fit in its "
      "height are not printed at all, however many there are: one, two, three, four.");
  const report::Document doc = r.Run();
  try {
    platform::WritePdf(doc, dir + "/test.pdf");
    for (const report::Page& page : doc.pages) {
      const std::string n = std::to_string(page.number());
      platform::WritePng(doc, page, 150, dir + "/page-" + n + ".png");
      std::ofstream(dir + "/page-" + n + ".txt") << page.Dump();
    }
  } catch (const platform::OutputError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%zu pages\n", doc.pages.size());
  return 0;
}

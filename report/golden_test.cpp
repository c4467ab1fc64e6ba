// The whole display list of the test layout, compared with a file kept in
// the repository so that a change in placement shows as a readable diff.
// Regenerate on purpose with DANFE_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "report/test_layout.h"

namespace report {
namespace {

std::string GoldenPath() {
  const char* root = std::getenv("DANFE_SOURCE_DIR");
  return std::string(root ? root : ".") + "/report/testdata/test_layout.txt";
}

TEST(Golden, TestLayoutPages) {
  auto layout = testing::MakeTestLayout(std::make_shared<FixedFontMetrics>());
  Report& r = *layout->report;
  TableDataSource rows({"Code", "Description"});
  for (int i = 1; i <= 28; ++i) {
    rows.AddRow({std::to_string(i),
                 i == 2 ? "A description long enough to wrap onto a second "
                          "line and then onto a third one, which pushes the rows below it down"
                        : "Item " + std::to_string(i)});
  }
  r.set_data_source(&rows);
  r.ClearDynamicLabels();
  r.label("Total").SetCaption("1.234,56");
  r.label("RecipientName").SetCaption("JOS\xc9 DA SILVA");
  std::string dump;
  for (const Page& page : r.Run().pages) {
    dump += "page " + std::to_string(page.number()) + "\n" + page.Dump();
  }
  if (std::getenv("DANFE_UPDATE_GOLDEN")) {
    std::ofstream(GoldenPath()) << dump;
    GTEST_SKIP() << "rewrote " << GoldenPath();
  }
  std::ifstream in(GoldenPath());
  ASSERT_TRUE(in) << GoldenPath();
  std::stringstream golden;
  golden << in.rdbuf();
  EXPECT_EQ(dump, golden.str());
}

}  // namespace
}  // namespace report

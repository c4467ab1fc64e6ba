#include "report/page.h"

#include <gtest/gtest.h>

#include "report/units.h"

namespace report {
namespace {

TEST(Units, ConvertsDesignSizes) {
  EXPECT_DOUBLE_EQ(Mm(54.05).value(), 540.5);
  EXPECT_EQ(Rnd(Mm(54.05)), 541);
  EXPECT_EQ(Rnd(Mm(18.14)), 181);
  EXPECT_NEAR(Px(3).value(), 5.6696, 1e-4);
  EXPECT_NEAR(Px(1).value(), 1.8899, 1e-4);
  EXPECT_EQ(Rnd(Px(23)), 43);
  EXPECT_EQ(Rnd(Px(286)), 541);
  EXPECT_NEAR(Px(280).value(), 529.17, 0.005);
  EXPECT_NEAR(kPicturePixel.value(), 2.6458, 1e-4);
}

TEST(Units, FormatsWithoutTheLocale) {
  const std::pair<double, const char*> cases[] = {
      {1562, "1562"}, {30.2381, "30.24"}, {-0.5, "-0.5"}, {-0.001, "0"}, {0.1, "0.1"}};
  for (const auto& [v, text] : cases) EXPECT_EQ(FormatTenths(Tenths(v)), text);
}

TEST(Page, DumpsOneLinePerItem) {
  MonoBitmap bits(478, 92);
  const Page page(
      1,
      {
          FillRect{MmBox(7, 6, 200, 18.14)},
          StrokeRect{MmBox(7, 6, 200, 15.1), PenStyle::kSolid},
          Line{Mm(7), Mm(22.8), Mm(207), Mm(22.8), PenStyle::kDashDotDot},
          TextRun{
              Mm(8.3), Mm(8.52), {.size = 6, .bold = true}, Tenths(42.125), "A\xc7\xc3O \"x\"\\"},
          ImageItem{MmBox(125, 30, 126.47, 24.34), MmBox(125, 30, 70, 9), Picture(bits)},
      });
  EXPECT_EQ(page.Dump(),
            "fill 70 60 2000 181.4 #ffffff\n"
            "rect 70 60 2000 151 solid\n"
            "line 70 228 2070 228 dashdotdot\n"
            "text 83 85.2 \"Times New Roman\" 6 bold w=42.13 \"A\\xc7\\xc3O \\\"x\\\"\\\\\"\n"
            "image 1250 300 1264.7 243.4 clip 1250 300 700 90 mono 478x92\n");
}

}  // namespace
}  // namespace report

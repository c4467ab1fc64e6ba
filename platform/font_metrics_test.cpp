#include "platform/font_metrics.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gui.h"

namespace platform {
namespace {

// Liberation Serif shares the metrics of Times New Roman: 2048 units per em,
// ascent 1825, descent 443; an em of 10 pt is 35.28 tenths of a millimetre.
constexpr double kEm10 = 10 * 254.0 / 72.0;

double Units(double n, double size = 10) { return n / 2048 * size * 254.0 / 72.0; }

TEST(QtFontMetrics, MeasuresTimesNewRomanUnhinted) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EnsureGuiApplication();
  const QtFontMetrics metrics;
  const report::FaceMetrics regular = metrics.Measure({.size = 10});
  EXPECT_NEAR(regular.ascent.value(), Units(1825), 1e-6);
  EXPECT_NEAR(regular.descent.value(), Units(443), 1e-6);
  EXPECT_NEAR(regular.pitch().value(), 2268.0 / 2048 * kEm10, 1e-6);
  struct Case {
    unsigned char byte;
    double units;
  };
  for (const Case& c : {Case{'A', 1479}, Case{'a', 909}, Case{' ', 512}, Case{'1', 1024},
                        Case{0xC7, 1366} /* C cedilla */, Case{0x80, 1024} /* euro */}) {
    EXPECT_NEAR(regular.advance[c.byte], Units(c.units), 1e-6) << int(c.byte);
  }
  EXPECT_EQ(regular.advance['\r'], 0);

  const report::FaceMetrics bold = metrics.Measure({.size = 6, .bold = true});
  EXPECT_NEAR(bold.advance['a'], Units(1024, 6), 1e-6);
  EXPECT_NEAR(bold.ascent.value(), Units(1825, 6), 1e-6);
}

}  // namespace
}  // namespace platform

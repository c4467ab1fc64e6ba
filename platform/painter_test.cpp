#include "platform/painter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "report/page.h"

namespace platform {
namespace {

TEST(PaintPage, DrawsPicturesScaledAndCut) {
  report::MonoBitmap bits(2, 1);
  bits.set_black(0, 0);
  // At 254 dpi one device pixel is one tenth: the picture is stretched to
  // 40 x 20 and cut to its left 30 columns.
  const report::Page page(
      1, {report::ImageItem{
             {report::Tenths(10), report::Tenths(10), report::Tenths(40), report::Tenths(20)},
             {report::Tenths(10), report::Tenths(10), report::Tenths(30), report::Tenths(20)},
             report::Picture(bits)}});
  QImage image(60, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PaintPage(page, painter, TenthsToDevice(254, 254));
  }
  auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
  EXPECT_TRUE(black(10, 10));
  EXPECT_TRUE(black(29, 29));
  EXPECT_FALSE(black(30, 20));  // white half of the picture
  EXPECT_FALSE(black(9, 20));
  EXPECT_FALSE(black(20, 30));
}

}  // namespace
}  // namespace platform

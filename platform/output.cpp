#include "platform/output.h"

#include <QImage>
#include <QPainter>
#include <cmath>

#include "platform/painter.h"

namespace platform {

QImage RenderPage(const report::Document& document, const report::Page& page, double dpi) {
  const int width = static_cast<int>(std::lround(document.page_width.value() * dpi / 254.0));
  const int height = static_cast<int>(std::lround(document.page_height.value() * dpi / 254.0));
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  const int dots_per_metre = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dots_per_metre);
  image.setDotsPerMeterY(dots_per_metre);
  QPainter painter(&image);
  PaintPage(page, painter, TenthsToDevice(dpi, dpi));
  return image;
}

void WritePng(const report::Document& document, const report::Page& page, double dpi,
              const std::string& path) {
  if (!RenderPage(document, page, dpi).save(QString::fromStdString(path), "PNG")) {
    throw OutputError("Cannot write the PNG file " + path);
  }
}

}  // namespace platform

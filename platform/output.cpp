#include "platform/output.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "platform/painter.h"

namespace platform {

namespace {
constexpr int kPdfDpi = 1200;
}

void WritePdf(const report::Document& document, const std::string& path) {
  if (document.pages.empty()) throw OutputError("The document has no page");
  QPdfWriter writer(QString::fromStdString(path));
  writer.setResolution(kPdfDpi);
  writer.setPageSize(QPageSize(QSizeF(document.page_width.mm(), document.page_height.mm()),
                               QPageSize::Millimeter));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setTitle(QString::fromStdString(document.title));
  writer.setCreator(QStringLiteral("danfe"));
  QPainter painter;
  if (!painter.begin(&writer)) throw OutputError("Cannot write the PDF file " + path);
  const QTransform to_device = TenthsToDevice(kPdfDpi, kPdfDpi);
  for (size_t i = 0; i < document.pages.size(); ++i) {
    if (i > 0) writer.newPage();
    PaintPage(document.pages[i], painter, to_device);
  }
  if (!painter.end()) throw OutputError("Cannot write the PDF file " + path);
}

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

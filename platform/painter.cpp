#include "platform/painter.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <cstring>
#include <variant>

#include "platform/qt_font.h"

namespace platform {

namespace {

QRectF ToRect(const report::Box& b) {
  return {b.left.value(), b.top.value(), b.width.value(), b.height.value()};
}

QImage ToImage(const report::Picture& picture) {
  if (const report::MonoBitmap* mono = picture.mono()) {
    QImage image(mono->width(), mono->height(), QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < mono->height(); ++y) {
      std::memcpy(image.scanLine(y), mono->row(y), static_cast<size_t>(mono->stride()));
    }
    return image;
  }
  if (const report::RgbaImage* rgba = picture.rgba()) {
    QImage image(rgba->width, rgba->height, QImage::Format_ARGB32);
    for (int y = 0; y < rgba->height; ++y) {
      std::memcpy(image.scanLine(y), rgba->pixels.data() + static_cast<size_t>(y) * rgba->width,
                  static_cast<size_t>(rgba->width) * 4);
    }
    return image;
  }
  return {};
}

class Player {
 public:
  Player(QPainter& painter, const QTransform& to_device)
      : p_(painter), to_device_(to_device), base_(painter.worldTransform()) {}

  void operator()(const report::FillRect& f) {
    LeaveText();
    p_.fillRect(ToRect(f.box), QColor(f.color.r, f.color.g, f.color.b));
  }
  void operator()(const report::StrokeRect& r) {
    LeaveText();
    p_.setPen(Pen(r.pen));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(ToRect(r.box));
  }
  void operator()(const report::Line& l) {
    LeaveText();
    p_.setPen(Pen(l.pen));
    p_.drawLine(QPointF(l.x1.value(), l.y1.value()), QPointF(l.x2.value(), l.y2.value()));
  }
  void operator()(const report::TextRun& t) {
    // Runs of one size share one transform, so that a device that records
    // its state (PDF) records it once for all of them, not once per run.
    const double scale = EmTenths(t.font) / kEmPixels;
    if (scale != text_scale_) {
      p_.setWorldTransform(QTransform::fromScale(scale, scale) * base_);
      if (text_scale_ == 0) p_.setPen(QPen(Qt::black));
      text_scale_ = scale;
    }
    // The glyphs at the advances the layout measured: no shaping, so the
    // text lands exactly where the layout put it.
    const QtFace& face = FaceOf(t.font);
    glyphs_.clear();
    positions_.clear();
    const double y = t.baseline.value() / scale;
    double x = t.x.value() / scale;
    for (const unsigned char byte : t.bytes) {
      if (face.glyph[byte] == QtFace::kNoGlyph) continue;
      glyphs_.append(face.glyph[byte]);
      positions_.append(QPointF(x, y));
      x += face.advance[byte];
    }
    if (!glyphs_.isEmpty()) {
      QGlyphRun run;
      run.setRawFont(face.raw);
      run.setGlyphIndexes(glyphs_);
      run.setPositions(positions_);
      p_.drawGlyphRun(QPointF(0, 0), run);
    }
  }
  void operator()(const report::ImageItem& i) {
    LeaveText();
    p_.save();
    p_.setClipRect(ToRect(i.clip), Qt::IntersectClip);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p_.drawImage(ToRect(i.dest), ToImage(i.picture));
    p_.restore();
  }

 private:
  void LeaveText() {
    if (text_scale_ == 0) return;
    p_.setWorldTransform(base_);
    text_scale_ = 0;
  }

  // One device pixel wide whatever the scale. The dash-dot-dot pattern is
  // set in device pixels to keep 1.0 mm dashes and 0.3 mm dots and gaps.
  QPen Pen(report::PenStyle style) const {
    QPen pen(Qt::black);
    pen.setCosmetic(true);
    pen.setWidth(0);
    pen.setCapStyle(Qt::FlatCap);
    const double unit = to_device_.m11() * 3;  // 0.3 mm in device pixels
    switch (style) {
      case report::PenStyle::kSolid:
        break;
      case report::PenStyle::kDash:
        pen.setDashPattern({unit * 10 / 3, unit});
        break;
      case report::PenStyle::kDot:
        pen.setDashPattern({unit, unit});
        break;
      case report::PenStyle::kDashDot:
        pen.setDashPattern({unit * 10 / 3, unit, unit, unit});
        break;
      case report::PenStyle::kDashDotDot:
        pen.setDashPattern({unit * 10 / 3, unit, unit, unit, unit, unit});
        break;
    }
    return pen;
  }

  QPainter& p_;
  QTransform to_device_;
  QTransform base_;
  double text_scale_ = 0;  // 0: the base transform is set
  QList<quint32> glyphs_;
  QList<QPointF> positions_;
};

}  // namespace

QTransform TenthsToDevice(double dpi_x, double dpi_y, double origin_x, double origin_y) {
  return QTransform(dpi_x / 254.0, 0, 0, dpi_y / 254.0, -origin_x, -origin_y);
}

void PaintPage(const report::Page& page, QPainter& painter, const QTransform& to_device) {
  painter.save();
  painter.setWorldTransform(to_device, true);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  Player player(painter, to_device);
  for (const report::PageItem& item : page.items()) std::visit(player, item);
  painter.restore();
}

}  // namespace platform

#include "platform/font_metrics.h"

#include <QRawFont>
#include <QString>

#include "invoice/cp1252.h"
#include "platform/qt_font.h"

namespace platform {

QFont MakeQtFont(const report::FontSpec& wanted) {
  QFont font(QString::fromStdString(wanted.name));
  font.setPixelSize(kEmPixels);
  font.setBold(wanted.bold);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferOutline);
  return font;
}

report::FaceMetrics QtFontMetrics::Measure(const report::FontSpec& wanted) const {
  const QRawFont raw = QRawFont::fromFont(MakeQtFont(wanted));
  const double scale = EmTenths(wanted) / raw.pixelSize();
  report::FaceMetrics face;
  face.ascent = report::Tenths(raw.ascent() * scale);
  face.descent = report::Tenths(raw.descent() * scale);
  for (int b = 0x20; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const QString text = QString::fromStdString(invoice::Cp1252ToUtf8(std::string_view(&byte, 1)));
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    if (glyphs.size() != 1) continue;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    face.advance[b] = advances.value(0).x() * scale;
  }
  return face;
}

}  // namespace platform

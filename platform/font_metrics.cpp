#include "platform/font_metrics.h"

#include <QFont>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "invoice/cp1252.h"
#include "platform/qt_font.h"

namespace platform {

namespace {

// Through Qt's font database, which finds the same file as fontconfig does
// for the layout (FontFileMetrics); a face loaded from the file's bytes
// instead would lose its text in Qt's PDF output for printers.
QFont QtFont(const report::FontSpec& wanted) {
  QFont font(QString::fromStdString(wanted.name));
  font.setPixelSize(kEmPixels);
  font.setBold(wanted.bold);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferOutline);
  return font;
}

std::unique_ptr<QtFace> LoadFace(const report::FontSpec& wanted) {
  auto face = std::make_unique<QtFace>();
  face->raw = QRawFont::fromFont(QtFont(wanted));
  face->glyph.fill(QtFace::kNoGlyph);
  QList<quint32> glyphs;
  QList<int> bytes;
  for (int b = 0x20; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    const QString text = QString::fromStdString(invoice::Cp1252ToUtf8(std::string_view(&byte, 1)));
    const QList<quint32> one = face->raw.glyphIndexesForString(text);
    if (one.size() != 1) continue;
    face->glyph[b] = one[0];
    glyphs.append(one[0]);
    bytes.append(b);
  }
  const QList<QPointF> advances =
      face->raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
  for (qsizetype i = 0; i < bytes.size(); ++i) face->advance[bytes[i]] = advances.value(i).x();
  return face;
}

}  // namespace

const QtFace& FaceOf(const report::FontSpec& font) {
  static std::mutex mutex;
  // Kept to the end of the process, like the application object the faces
  // belong to.
  static auto* faces = new std::map<std::pair<std::string, bool>, std::unique_ptr<QtFace>>;
  const std::lock_guard lock(mutex);
  std::unique_ptr<QtFace>& face = (*faces)[{font.name, font.bold}];
  if (!face) face = LoadFace(font);
  return *face;
}

report::FaceMetrics QtFontMetrics::Measure(const report::FontSpec& wanted) const {
  const QtFace& face = FaceOf(wanted);
  const double scale = EmTenths(wanted) / face.raw.pixelSize();
  report::FaceMetrics metrics;
  metrics.ascent = report::Tenths(face.raw.ascent() * scale);
  metrics.descent = report::Tenths(face.raw.descent() * scale);
  for (int b = 0; b < 256; ++b) metrics.advance[b] = face.advance[b] * scale;
  return metrics;
}

}  // namespace platform

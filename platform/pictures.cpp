#include "platform/pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "platform/metafile.h"

namespace platform {
namespace {

// Pictures larger than this are refused rather than allocated: a logo box is
// a few centimetres wide, and a hostile header must not eat the machine.
constexpr qint64 kMaxPixels = 40'000'000;
constexpr int kMaxSide = 20000;
// Files are read whole before decoding; no logo comes near this size.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

report::Picture ToPicture(const QImage& decoded) {
  const QImage image = decoded.convertToFormat(QImage::Format_ARGB32);
  report::RgbaImage rgba{.width = image.width(), .height = image.height(), .pixels = {}};
  rgba.pixels.resize(static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::copy(line, line + image.width(),
              rgba.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width());
  }
  return report::Picture(std::move(rgba));
}

std::optional<QImage> ReadRaster(const QByteArray& bytes, const char* format) {
  QByteArray data = bytes;
  QBuffer buffer(&data);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide ||
                         qint64(size.width()) * size.height() > kMaxPixels)) {
    return std::nullopt;
  }
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  return image;
}

std::optional<QImage> RenderSvg(const QByteArray& svg) {
  // Drawing a metafile may draw text, which needs the application's fonts;
  // the picture readers above need no application object.
  StartApplication();
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) return std::nullopt;
  QSize size = renderer.defaultSize();
  if (size.isEmpty()) return std::nullopt;
  if (size.width() > kMaxSide || size.height() > kMaxSide) {
    size.scale(kMaxSide / 4, kMaxSide / 4, Qt::KeepAspectRatio);
  }
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return image;
}

std::optional<QImage> ReadSvg(const std::optional<std::string>& svg) {
  if (!svg) return std::nullopt;
  return RenderSvg(QByteArray::fromStdString(*svg));
}

std::optional<QImage> Decode(const QByteArray& bytes, const std::string& extension) {
  if (extension == "bmp") return ReadRaster(bytes, "bmp");
  if (extension == "ico") return ReadRaster(bytes, "ico");
  if (extension == "jpg" || extension == "jpeg") return ReadRaster(bytes, "jpeg");
  if (extension == "gif") return ReadRaster(bytes, "gif");
  if (extension == "wmf") return ReadSvg(WmfToSvg(bytes.toStdString(), kMaxSide));
  if (extension == "emf") return ReadSvg(EmfToSvg(bytes.toStdString()));
  return std::nullopt;
}

}  // namespace

report::Picture DecodePicture(const std::string& bytes, const std::string& name) {
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : Lower(name.substr(dot + 1));
  static const char* const kKnown[] = {"bmp", "ico", "jpg", "jpeg", "gif", "wmf", "emf"};
  if (!extension.empty() && std::none_of(std::begin(kKnown), std::end(kKnown),
                                         [&](const char* k) { return extension == k; })) {
    throw PictureError("unsupported picture type: " + name);
  }
  const QByteArray data = QByteArray::fromStdString(bytes);
  std::optional<QImage> image;
  if (extension.empty()) {
    for (const char* format : kKnown) {
      if ((image = Decode(data, format))) break;
    }
  } else {
    image = Decode(data, extension);
  }
  if (!image || image->isNull()) throw PictureError("cannot decode " + name);
  return ToPicture(*image);
}

report::Picture LoadPicture(const std::filesystem::path& path) {
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::ReadOnly)) throw PictureError("cannot read " + path.string());
  if (file.size() > kMaxFileBytes) throw PictureError("too large: " + path.string());
  return DecodePicture(file.readAll().toStdString(), path.filename().string());
}

}  // namespace platform

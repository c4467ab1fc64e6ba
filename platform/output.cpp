#include "platform/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "invoice/cp1252.h"
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

void WritePdfFile(const report::Document& document, const std::string& path) {
  auto fail = [&](const std::string& reason) {
    throw OutputError(invoice::Utf8ToCp1252("N\u00e3o foi poss\u00edvel gravar o PDF \"" + path +
                                            "\": " + reason));
  };
  const std::filesystem::path target(path);
  if (target.filename().empty()) fail(std::strerror(EISDIR));
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) fail(std::strerror(errno));
  // mkstemp makes the file private; a PDF gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  try {
    WritePdf(document, temporary);
  } catch (const OutputError&) {
    ::unlink(temporary.c_str());
    fail("falha ao escrever o arquivo");
  }
  // The bytes reach the disk before the name points at them.
  if (const int sync_fd = ::open(temporary.c_str(), O_RDONLY); sync_fd >= 0) {
    ::fsync(sync_fd);
    ::close(sync_fd);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    fail(std::strerror(error));
  }
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

#include "platform/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
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

namespace {

// Paints every page into the writer; false when the writer failed.
bool PaintPdf(const report::Document& document, QPdfWriter& writer) {
  writer.setResolution(kPdfDpi);
  writer.setPageSize(QPageSize(QSizeF(document.page_width.mm(), document.page_height.mm()),
                               QPageSize::Millimeter));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setTitle(QString::fromStdString(document.title));
  writer.setCreator(QStringLiteral("danfe"));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const QTransform to_device = TenthsToDevice(kPdfDpi, kPdfDpi);
  for (size_t i = 0; i < document.pages.size(); ++i) {
    if (i > 0) writer.newPage();
    PaintPage(document.pages[i], painter, to_device);
  }
  return painter.end();
}

}  // namespace

void WritePdf(const report::Document& document, const std::string& path) {
  if (document.pages.empty()) throw OutputError("The document has no page");
  QPdfWriter writer(QString::fromStdString(path));
  if (!PaintPdf(document, writer)) throw OutputError("Cannot write the PDF file " + path);
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
  // Written through the descriptor mkstemp opened: the name is never opened
  // again, so nobody can swap a link in for it in a shared folder.
  bool written = false;
  {
    QFile file;
    if (!document.pages.empty() && file.open(fd, QIODevice::WriteOnly)) {
      QPdfWriter writer(&file);
      written = PaintPdf(document, writer);
      file.flush();
    }
  }
  // The bytes reach the disk before the name points at them.
  written = written && ::fsync(fd) == 0;
  ::close(fd);
  if (!written) {
    ::unlink(temporary.c_str());
    fail("falha ao escrever o arquivo");
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

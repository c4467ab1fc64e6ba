#pragma once

#include <stdexcept>
#include <string>

#include "report/page.h"

class QImage;

namespace platform {

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every page of the document on a sheet of its size, fonts embedded.
// Throws OutputError when the file cannot be written or there is no page.
void WritePdf(const report::Document& document, const std::string& path);

// The same, written atomically: into a temporary file in the target's
// folder, then renamed over the target, so that a reader never sees half a
// PDF and a failure leaves an earlier file untouched. Throws OutputError with
// a message in Windows-1252 naming the path and the system's reason.
void WritePdfFile(const report::Document& document, const std::string& path);

// One page as a white picture at dpi dots per inch.
QImage RenderPage(const report::Document& document, const report::Page& page, double dpi);
void WritePng(const report::Document& document, const report::Page& page, double dpi,
              const std::string& path);

}  // namespace platform

#pragma once

#include <stdexcept>
#include <string>

#include "report/page.h"

namespace platform {

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The document as a PDF file of its own making, without any GUI library:
// every page on a sheet of the document's size, the fonts embedded as
// subsets with their text extractable, pictures at their pixels, title
// from the document. Lines are as thin as the device draws them. Throws
// OutputError for a document without pages; FontError (platform/truetype.h)
// when a font file cannot be found or read.
std::string PdfBytes(const report::Document& document);

// PdfBytes into a file. Throws OutputError when the file cannot be written.
void WritePdf(const report::Document& document, const std::string& path);

// The same, written atomically: into a temporary file in the target's
// folder, then renamed over the target, so that a reader never sees half a
// PDF and a failure leaves an earlier file untouched. Throws OutputError with
// a message in Windows-1252 naming the path and the system's reason.
void WritePdfFile(const report::Document& document, const std::string& path);

}  // namespace platform

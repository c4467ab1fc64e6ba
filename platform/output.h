#pragma once

#include <string>

#include "platform/pdf.h"
#include "report/page.h"

class QImage;

namespace platform {

// One page as a white picture at dpi dots per inch.
QImage RenderPage(const report::Document& document, const report::Page& page, double dpi);
void WritePng(const report::Document& document, const report::Page& page, double dpi,
              const std::string& path);

}  // namespace platform

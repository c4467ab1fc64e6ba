#pragma once

#include "report/font.h"

namespace platform {

// Font metrics as Qt's font engine reads the font files that fontconfig
// finds (platform/truetype.h), unhinted and in design units: the same
// values FontFileMetrics reads without Qt, which the program uses. Needs a
// Qt GUI application object (EnsureGuiApplication).
class QtFontMetrics : public report::FontMetrics {
 public:
  report::FaceMetrics Measure(const report::FontSpec& font) const override;
};

}  // namespace platform

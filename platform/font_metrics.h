#pragma once

#include "report/font.h"

namespace platform {

// Font metrics from the installed fonts through Qt and fontconfig, unhinted
// and in design units, so screen, PDF and printer lay text out alike.
// "Times New Roman" resolves to its metric twin Liberation Serif. Needs a Qt
// GUI application object (EnsureGuiApplication).
class QtFontMetrics : public report::FontMetrics {
 public:
  report::FaceMetrics Measure(const report::FontSpec& font) const override;
};

}  // namespace platform

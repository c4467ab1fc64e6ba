#pragma once

#include <QFont>

#include "report/font.h"

namespace platform {

// The em size at which fonts are loaded for measuring and drawing; large, so
// that whole-pixel sizes lose nothing.
inline constexpr int kEmPixels = 2048;

// The Qt font for a layout font at kEmPixels pixels, unhinted, unkerned.
QFont MakeQtFont(const report::FontSpec& font);

// The em size of a font in tenths of a millimetre.
inline double EmTenths(const report::FontSpec& font) { return font.size * 254.0 / 72.0; }

}  // namespace platform

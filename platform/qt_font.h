#pragma once

#include <QRawFont>
#include <array>

#include "report/font.h"

namespace platform {

// The em size at which fonts are loaded for measuring and drawing; large, so
// that whole-pixel sizes lose nothing.
inline constexpr int kEmPixels = 2048;

// The em size of a font in tenths of a millimetre.
inline double EmTenths(const report::FontSpec& font) { return font.size * 254.0 / 72.0; }

// One face (name and weight) loaded once at kEmPixels, with the glyph and
// the advance of every Windows-1252 byte. Nothing is hinted, so every size
// is this face scaled: measuring and drawing never ask the font engine again.
struct QtFace {
  static constexpr quint32 kNoGlyph = 0xFFFFFFFF;  // a byte that draws nothing

  QRawFont raw;
  std::array<quint32, 256> glyph;
  std::array<double, 256> advance{};  // pixels at kEmPixels
};

// The face of a layout font, loaded on first use and kept for the process.
// Needs a Qt GUI application object.
const QtFace& FaceOf(const report::FontSpec& font);

}  // namespace platform

#pragma once

#include <string_view>

#include "report/bitmap.h"

namespace danfe {

inline constexpr int kBarcodeWidth = 478;
inline constexpr int kBarcodeHeight = 92;
// Bars cover the rows 0 .. kBarcodeBarRows - 1; the rows below stay white.
inline constexpr int kBarcodeBarRows = 81;

// The access key as a Code 128 symbol in code set C, one pixel per module,
// from column 0 (no quiet zone), in a 478 x 92 bitmap; what runs past the
// right edge is cut. Blanks and control characters around the text are
// ignored; an odd number of digits gets a "0" in front. Throws
// std::runtime_error "Barcode must be numeric" for any other character.
report::MonoBitmap MakeAccessKeyBarcode(std::string_view text);

}  // namespace danfe

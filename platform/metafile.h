#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Windows metafiles as SVG text, for Qt's SVG renderer to draw. Empty when
// the bytes do not decode or the picture is larger than max_side pixels at
// 96 pixels per inch. Kept apart from Qt: the metafile headers define macros
// that clash with Qt's.
std::optional<std::string> WmfToSvg(std::string_view bytes, unsigned max_side);
std::optional<std::string> EmfToSvg(std::string_view bytes);

}  // namespace platform

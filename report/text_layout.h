#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/font.h"
#include "report/units.h"

namespace report {

struct TextLine {
  std::string bytes;
  Tenths width;
  friend bool operator==(const TextLine&, const TextLine&) = default;
};

enum class Wrap {
  kNone,      // auto-size: every piece is one line, however wide
  kWordWrap,  // words flow into lines no wider than the box
  kCut,       // one line per piece; the word that overflows and the rest are dropped
};

// Breaks a caption into the lines a label shows. Line feeds are removed and
// every carriage return ends a piece; a final carriage return starts no
// empty line. A word runs up to and including the next space or hyphen; a
// word that would make its line wider than the box starts a new line, and a
// word wider than the box by itself keeps only the leading bytes that fit.
// The spaces at which a line was broken are not part of it.
std::vector<TextLine> LayoutText(std::string_view caption, const FaceMetrics& face,
                                 Tenths box_width, Wrap wrap);

}  // namespace report

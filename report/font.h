#pragma once

#include <array>
#include <compare>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "report/units.h"

namespace report {

// A font as the layout names it. The default is the report font.
struct FontSpec {
  std::string name = "Times New Roman";
  double size = 10;  // points
  bool bold = false;

  friend auto operator<=>(const FontSpec&, const FontSpec&) = default;
};

// The measurements of one font at one size, in design units. Text is
// single-byte Windows-1252, so a table of 256 advances measures any text
// without asking the font engine again.
struct FaceMetrics {
  Tenths ascent;
  Tenths descent;
  std::array<double, 256> advance{};  // tenths of a millimetre per byte

  Tenths pitch() const { return ascent + descent; }
  Tenths Width(std::string_view bytes) const {
    double w = 0;
    for (unsigned char c : bytes) w += advance[c];
    return Tenths(w);
  }
};

// The font engine, seen from the layout. Measures once, in design units, so
// every output device draws the same lines.
class FontMetrics {
 public:
  virtual ~FontMetrics() = default;
  virtual FaceMetrics Measure(const FontSpec& font) const = 0;
};

// Asks the font engine once per font and keeps the answer; the references it
// hands out stay valid for its lifetime.
class TextMeasurer {
 public:
  explicit TextMeasurer(std::shared_ptr<const FontMetrics> metrics);
  const FaceMetrics& Face(const FontSpec& font);

 private:
  std::shared_ptr<const FontMetrics> metrics_;
  std::map<FontSpec, std::unique_ptr<FaceMetrics>> faces_;
};

// A font engine for layout tests and benchmarks: every byte is as wide as
// the font size in points, in tenths (10 pt: 1 mm), bold ones 1.2 times as
// wide; ascent is three times and descent once the size in tenths (10 pt:
// 3 mm and 1 mm, a 4 mm line pitch).
class FixedFontMetrics : public FontMetrics {
 public:
  FaceMetrics Measure(const FontSpec& font) const override;
};

}  // namespace report

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "report/font.h"

namespace platform {

class FontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One TrueType font file (glyf outlines), held in memory and read in place.
// Only what measuring and PDF embedding need: the character map, advances,
// the vertical metrics and glyph outlines. Throws FontError for a file that
// is not such a font or whose tables are cut short.
class TrueTypeFont {
 public:
  static TrueTypeFont Load(const std::string& path);
  static TrueTypeFont Parse(std::string bytes);

  int units_per_em() const { return units_per_em_; }
  int glyph_count() const { return glyph_count_; }
  // The font's line metrics in font units, as the font engine reports them
  // (descent positive).
  int ascent() const { return ascent_; }
  int descent() const { return descent_; }
  // For a PDF font descriptor, in font units.
  std::array<int, 4> bbox() const { return bbox_; }
  int cap_height() const { return cap_height_; }
  double italic_angle() const { return italic_angle_; }
  // The PostScript name, letters and digits only (for a PDF font name).
  const std::string& postscript_name() const { return postscript_name_; }

  // The glyph of a Unicode character; 0 (the missing glyph) when the font
  // has none.
  std::uint16_t GlyphFor(char32_t code) const;
  // The advance of a glyph in font units.
  int Advance(std::uint16_t glyph) const;

  // A font file with the outlines of the given glyphs and of the glyphs
  // they are composed of; every other glyph is empty. Glyph numbers stay as
  // they are, so text drawn with the full font draws the same with this one.
  std::string Subset(const std::vector<std::uint16_t>& glyphs) const;

 private:
  TrueTypeFont() = default;

  std::shared_ptr<const std::string> bytes_;
  int units_per_em_ = 0;
  int glyph_count_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  std::array<int, 4> bbox_{};
  int cap_height_ = 0;
  double italic_angle_ = 0;
  std::string postscript_name_;
  // Filled by Parse: offsets of the tables used, cmap subtable, etc.
  struct Tables;
  std::shared_ptr<const Tables> tables_;
};

// A layout font resolved to its font file through fontconfig ("Times New
// Roman" finds Liberation Serif, its metric twin), with the glyph of every
// Windows-1252 byte. Bytes below 0x20 draw nothing; every other byte has the
// font's glyph for its character, the missing glyph when there is none.
struct FontFace {
  std::string path;
  TrueTypeFont font;
  std::array<std::uint16_t, 256> glyph{};
  std::array<bool, 256> drawn{};  // false: the byte draws nothing, advance 0
};

// The file fontconfig matches for a layout font (its family and weight).
// Throws FontError when fontconfig finds no TrueType file.
std::string FontFilePath(const report::FontSpec& font);

// The face of a layout font, resolved and read on first use and kept for
// the process (name and weight; the size scales it).
const FontFace& FontFaceOf(const report::FontSpec& font);

// Layout metrics straight from the font files: the advances of the glyphs in
// design units, unhinted and unkerned, the same values a font engine gives
// for the unhinted font. Needs no application object.
class FontFileMetrics : public report::FontMetrics {
 public:
  report::FaceMetrics Measure(const report::FontSpec& font) const override;
};

}  // namespace platform

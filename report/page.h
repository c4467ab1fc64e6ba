#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "report/font.h"
#include "report/picture.h"
#include "report/units.h"

namespace report {

// All coordinates of page items are tenths of a millimetre from the top-left
// corner of the sheet.

struct Rgb {
  std::uint8_t r = 255;
  std::uint8_t g = 255;
  std::uint8_t b = 255;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

enum class PenStyle { kSolid, kDash, kDot, kDashDot, kDashDotDot };

// Pens are black and as thin as the device can draw.
struct FillRect {
  Box box;
  Rgb color = kWhite;
};

struct StrokeRect {
  Box box;
  PenStyle pen = PenStyle::kSolid;
};

struct Line {
  Tenths x1, y1, x2, y2;
  PenStyle pen = PenStyle::kSolid;
};

// One line of text in black, starting at x on the baseline y. width is the
// advance the layout measured; devices draw the same font without kerning.
struct TextRun {
  Tenths x;
  Tenths baseline;
  FontSpec font;
  Tenths width;
  std::string bytes;  // Windows-1252
};

// A picture scaled into dest and cut to clip.
struct ImageItem {
  Box dest;
  Box clip;
  Picture picture;
};

using PageItem = std::variant<FillRect, StrokeRect, Line, TextRun, ImageItem>;

// One line of text per item, for tests and diffs, e.g.
//   fill 70 60 2000 181.43 #ffffff
//   text 83 85.4 "Times New Roman" 6 regular w=42 "DATA"
std::string Dump(const PageItem& item);
const char* PenName(PenStyle pen);

// A generated page: an immutable display list in drawing order.
class Page {
 public:
  Page(int number, std::vector<PageItem> items) : number_(number), items_(std::move(items)) {}

  int number() const { return number_; }
  const std::vector<PageItem>& items() const { return items_; }
  // Every item's line, each ending in a line feed.
  std::string Dump() const;

 private:
  int number_;
  std::vector<PageItem> items_;
};

// What one report pass produces.
struct Document {
  Tenths page_width;
  Tenths page_height;
  std::string title;
  std::vector<Page> pages;
};

}  // namespace report

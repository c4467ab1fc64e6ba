#pragma once

#include <cmath>
#include <compare>
#include <cstdint>
#include <string>

namespace report {

// A length in tenths of a millimetre, the unit the layout is designed in.
// Kept unrounded: sizes set in pixels give fractions (3 px = 5.67), and only
// the band advance and the page position are rounded, by Rnd.
class Tenths {
 public:
  constexpr Tenths() = default;
  constexpr explicit Tenths(double value) : value_(value) {}

  constexpr double value() const { return value_; }
  constexpr double mm() const { return value_ / 10.0; }

  constexpr Tenths& operator+=(Tenths o) {
    value_ += o.value_;
    return *this;
  }
  constexpr Tenths& operator-=(Tenths o) {
    value_ -= o.value_;
    return *this;
  }
  friend constexpr Tenths operator+(Tenths a, Tenths b) { return Tenths(a.value_ + b.value_); }
  friend constexpr Tenths operator-(Tenths a, Tenths b) { return Tenths(a.value_ - b.value_); }
  friend constexpr Tenths operator-(Tenths a) { return Tenths(-a.value_); }
  friend constexpr Tenths operator*(Tenths a, double k) { return Tenths(a.value_ * k); }
  friend constexpr Tenths operator*(double k, Tenths a) { return Tenths(a.value_ * k); }
  friend constexpr Tenths operator/(Tenths a, double k) { return Tenths(a.value_ / k); }
  friend constexpr auto operator<=>(Tenths, Tenths) = default;

 private:
  double value_ = 0;
};

// Millimetres as written in layout tables. The product is snapped to a
// millionth of a tenth so that 54.05 mm is exactly 540.5 and rounds up.
inline Tenths Mm(double mm) { return Tenths(std::round(mm * 1e7) / 1e6); }

// The display's pixels per inch that pixel sizes and natural picture sizes
// refer to.
inline constexpr double kScreenPpi = 96.0;
// The design zoom at which code sets sizes in pixels.
inline constexpr double kDesignZoom = 1.4;

// A size that code sets in pixels of the report at its design zoom.
constexpr Tenths Px(double pixels, double ppi = kScreenPpi) {
  return Tenths(pixels * 254.0 / (ppi * kDesignZoom));
}

// One pixel of a picture drawn at natural size: 1/96 inch.
inline constexpr Tenths kPicturePixel = Tenths(254.0 / kScreenPpi);

// Rounding to the nearest whole tenth, halves away from zero.
inline std::int64_t Rnd(Tenths t) { return std::llround(t.value()); }
inline std::int64_t Rnd(double v) { return std::llround(v); }

// A box in tenths of a millimetre, relative to whatever contains it.
struct Box {
  Tenths left;
  Tenths top;
  Tenths width;
  Tenths height;

  Tenths right() const { return left + width; }
  Tenths bottom() const { return top + height; }
  Box Translated(Tenths dx, Tenths dy) const { return {left + dx, top + dy, width, height}; }
  friend bool operator==(const Box&, const Box&) = default;
};

// A box from millimetres, the way layout tables give them.
inline Box MmBox(double left, double top, double width, double height) {
  return {Mm(left), Mm(top), Mm(width), Mm(height)};
}

// Shortest fixed text with at most two decimals, independent of the locale:
// 1562, 30.24, -0.5.
std::string FormatTenths(Tenths t);

}  // namespace report

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace report {

// A one-bit picture: every pixel is black or white, white when created.
// Rows are packed most significant bit first, a set bit being black, so a
// device can hand the rows to its own monochrome image type unchanged.
class MonoBitmap {
 public:
  MonoBitmap() = default;
  MonoBitmap(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  int stride() const { return stride_; }

  bool black(int x, int y) const;
  void set_black(int x, int y, bool black = true);
  // Paints the columns [x0, x1) of the rows [y0, y1) black, clipped to the bitmap.
  void fill_black(int x0, int y0, int x1, int y1);

  const std::uint8_t* row(int y) const { return bits_.data() + static_cast<size_t>(y) * stride_; }

  // Portable bitmap (P4) bytes, for tests and external readers.
  std::string ToPbm() const;

  friend bool operator==(const MonoBitmap&, const MonoBitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> bits_;
};

}  // namespace report

#include "report/bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace report {

MonoBitmap::MonoBitmap(int width, int height)
    : width_(width), height_(height), stride_((width + 7) / 8) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
  bits_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
}

bool MonoBitmap::black(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return (row(y)[x / 8] >> (7 - x % 8)) & 1;
}

void MonoBitmap::set_black(int x, int y, bool black) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t& byte = bits_[static_cast<size_t>(y) * stride_ + x / 8];
  const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (x % 8));
  byte = black ? (byte | mask) : (byte & ~mask);
}

void MonoBitmap::fill_black(int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, width_);
  y1 = std::min(y1, height_);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) set_black(x, y);
}

std::string MonoBitmap::ToPbm() const {
  std::string out = "P4\n" + std::to_string(width_) + " " + std::to_string(height_) + "\n";
  out.append(reinterpret_cast<const char*>(bits_.data()), bits_.size());
  return out;
}

}  // namespace report

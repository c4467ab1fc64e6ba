#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/bitmap.h"

namespace report {

// A colour picture as decoded by the platform: rows top to bottom, each pixel
// 0xAARRGGBB, not premultiplied.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// The content of an image element: nothing, a one-bit bitmap or a colour
// picture. Shared and immutable, so pages can keep it without copying.
class Picture {
 public:
  Picture() = default;
  explicit Picture(MonoBitmap bitmap)
      : mono_(std::make_shared<const MonoBitmap>(std::move(bitmap))) {}
  explicit Picture(RgbaImage image) : rgba_(std::make_shared<const RgbaImage>(std::move(image))) {}

  bool empty() const { return width() == 0 || height() == 0; }
  int width() const { return mono_ ? mono_->width() : rgba_ ? rgba_->width : 0; }
  int height() const { return mono_ ? mono_->height() : rgba_ ? rgba_->height : 0; }

  // At most one of these is set.
  const MonoBitmap* mono() const { return mono_.get(); }
  const RgbaImage* rgba() const { return rgba_.get(); }

  // "none", "mono 478x92", "rgba 640x480".
  std::string Describe() const;

 private:
  std::shared_ptr<const MonoBitmap> mono_;
  std::shared_ptr<const RgbaImage> rgba_;
};

}  // namespace report

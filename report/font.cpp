#include "report/font.h"

#include <utility>

namespace report {

TextMeasurer::TextMeasurer(std::shared_ptr<const FontMetrics> metrics)
    : metrics_(std::move(metrics)) {}

const FaceMetrics& TextMeasurer::Face(const FontSpec& font) {
  auto it = faces_.find(font);
  if (it == faces_.end()) {
    it = faces_.emplace(font, std::make_unique<FaceMetrics>(metrics_->Measure(font))).first;
  }
  return *it->second;
}

FaceMetrics FixedFontMetrics::Measure(const FontSpec& font) const {
  FaceMetrics face;
  face.ascent = Tenths(3 * font.size);
  face.descent = Tenths(font.size);
  face.advance.fill(font.bold ? font.size * 1.2 : font.size);
  return face;
}

}  // namespace report

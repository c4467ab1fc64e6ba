#include "report/text_layout.h"

namespace report {

namespace {

// Widths are sums of doubles; a line that fits exactly must not fail by a
// rounding error.
constexpr double kSlack = 1e-9;

void TrimBreakSpaces(TextLine& line, const FaceMetrics& face) {
  while (!line.bytes.empty() && line.bytes.back() == ' ') {
    line.width -= Tenths(face.advance[' ']);
    line.bytes.pop_back();
  }
}

void LayoutPiece(std::string_view piece, const FaceMetrics& face, double box, Wrap wrap,
                 std::vector<TextLine>& out) {
  if (wrap == Wrap::kNone) {
    out.push_back({std::string(piece), face.Width(piece)});
    return;
  }
  TextLine line;
  double width = 0;
  size_t i = 0;
  while (i < piece.size()) {
    size_t end = piece.find_first_of(" -", i);
    end = end == std::string_view::npos ? piece.size() : end + 1;
    const std::string_view word = piece.substr(i, end - i);
    i = end;
    const double w = face.Width(word).value();
    if (width + w <= box + kSlack) {
      line.bytes += word;
      width += w;
      continue;
    }
    if (wrap == Wrap::kCut) break;
    if (!line.bytes.empty()) {
      line.width = Tenths(width);
      TrimBreakSpaces(line, face);
      out.push_back(std::move(line));
      line = {};
      width = 0;
    }
    if (w <= box + kSlack) {
      line.bytes = word;
      width = w;
      continue;
    }
    for (unsigned char c : word) {
      if (width + face.advance[c] > box + kSlack) break;
      line.bytes += static_cast<char>(c);
      width += face.advance[c];
    }
  }
  line.width = Tenths(width);
  out.push_back(std::move(line));
}

}  // namespace

std::vector<TextLine> LayoutText(std::string_view caption, const FaceMetrics& face,
                                 Tenths box_width, Wrap wrap) {
  std::vector<TextLine> lines;
  if (caption.find_first_of("\r\n") == std::string_view::npos) {
    if (!caption.empty()) LayoutPiece(caption, face, box_width.value(), wrap, lines);
    return lines;
  }
  std::string piece;
  for (size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '\n') continue;
    if (c == '\r') {
      LayoutPiece(piece, face, box_width.value(), wrap, lines);
      piece.clear();
      continue;
    }
    piece += c;
  }
  if (!piece.empty()) LayoutPiece(piece, face, box_width.value(), wrap, lines);
  return lines;
}

}  // namespace report

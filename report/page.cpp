#include "report/page.h"

#include <cstdio>

namespace report {

namespace {

std::string Quote(std::string_view bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      s += buf;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s + "\"";
}

std::string BoxText(const Box& b) {
  return FormatTenths(b.left) + " " + FormatTenths(b.top) + " " + FormatTenths(b.width) + " " +
         FormatTenths(b.height);
}

struct Dumper {
  std::string operator()(const FillRect& f) const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", f.color.r, f.color.g, f.color.b);
    return "fill " + BoxText(f.box) + " " + buf;
  }
  std::string operator()(const StrokeRect& r) const {
    return "rect " + BoxText(r.box) + " " + PenName(r.pen);
  }
  std::string operator()(const Line& l) const {
    return "line " + FormatTenths(l.x1) + " " + FormatTenths(l.y1) + " " + FormatTenths(l.x2) +
           " " + FormatTenths(l.y2) + " " + PenName(l.pen);
  }
  std::string operator()(const TextRun& t) const {
    return "text " + FormatTenths(t.x) + " " + FormatTenths(t.baseline) + " " + Quote(t.font.name) +
           " " + FormatTenths(Tenths(t.font.size)) + (t.font.bold ? " bold" : " regular") +
           " w=" + FormatTenths(t.width) + " " + Quote(t.bytes);
  }
  std::string operator()(const ImageItem& i) const {
    return "image " + BoxText(i.dest) + " clip " + BoxText(i.clip) + " " + i.picture.Describe();
  }
};

}  // namespace

const char* PenName(PenStyle pen) {
  switch (pen) {
    case PenStyle::kSolid:
      return "solid";
    case PenStyle::kDash:
      return "dash";
    case PenStyle::kDot:
      return "dot";
    case PenStyle::kDashDot:
      return "dashdot";
    case PenStyle::kDashDotDot:
      return "dashdotdot";
  }
  return "solid";
}

std::string Dump(const PageItem& item) { return std::visit(Dumper{}, item); }

std::string Page::Dump() const {
  std::string s;
  for (const PageItem& item : items_) {
    s += report::Dump(item);
    s += '\n';
  }
  return s;
}

std::string Picture::Describe() const {
  if (mono_)
    return "mono " + std::to_string(mono_->width()) + "x" + std::to_string(mono_->height());
  if (rgba_) return "rgba " + std::to_string(rgba_->width) + "x" + std::to_string(rgba_->height);
  return "none";
}

}  // namespace report

#include "report/report.h"

#include <algorithm>
#include <utility>

namespace report {

// ---- Elements ----

TextElement::TextElement(ElementKind kind, Band& band, std::string name, const Box& box,
                         bool enabled, Align alignment, bool auto_size, bool word_wrap,
                         bool auto_stretch, bool transparent, const FontSpec& font,
                         TextMeasurer& measurer)
    : Element(kind, band, std::move(name), box, enabled),
      alignment_(alignment),
      auto_size_(auto_size),
      word_wrap_(word_wrap),
      auto_stretch_(auto_stretch),
      transparent_(transparent),
      font_(font),
      measurer_(&measurer),
      face_(&measurer.Face(font)) {}

void TextElement::set_font(const FontSpec& font) {
  font_ = font;
  face_ = &measurer_->Face(font);
}

std::vector<TextLine> TextElement::Layout(std::string_view text) {
  if (!auto_size_) {
    return LayoutText(text, *face_, box().width, word_wrap_ ? Wrap::kWordWrap : Wrap::kCut);
  }
  std::vector<TextLine> lines = LayoutText(text, *face_, box().width, Wrap::kNone);
  Tenths widest;
  for (const TextLine& line : lines) widest = std::max(widest, line.width);
  Box b = box();
  switch (alignment_) {
    case Align::kLeft:
      break;
    case Align::kRight:
      b.left = b.right() - widest;
      break;
    case Align::kCenter:
      b.left = b.left + (b.width - widest) / 2;
      break;
  }
  b.width = widest;
  b.height = std::max(b.height, face_->pitch());
  set_box(b);
  return lines;
}

Label::Label(Band& band, const LabelDesign& d, TextMeasurer& measurer)
    : TextElement(ElementKind::kLabel, band, d.name, d.box, d.enabled, d.alignment, d.auto_size,
                  d.word_wrap, d.auto_stretch, d.transparent, d.font, measurer),
      caption_(d.caption),
      tag_(d.tag) {}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  if (auto_size()) Layout(caption_);
}

DataText::DataText(Band& band, const DataTextDesign& d, TextMeasurer& measurer)
    : TextElement(ElementKind::kDataText, band, d.name, d.box, d.enabled, d.alignment, d.auto_size,
                  d.word_wrap, d.auto_stretch, d.transparent, d.font, measurer),
      field_(d.field) {}

Shape::Shape(Band& band, const ShapeDesign& d)
    : Element(ElementKind::kShape, band, d.name, d.box, d.enabled),
      shape_(d.shape),
      pen_(d.pen),
      brush_(d.brush) {}

Shape::Shape(Band& band, const PdfShapeDesign& d)
    : Element(ElementKind::kPdfShape, band, d.name, d.box, d.enabled),
      shape_(ShapeKind::kRectangle),
      pen_(PenStyle::kSolid),
      brush_(Brush::kSolid) {}

Image::Image(Band& band, const ImageDesign& d)
    : Element(ElementKind::kImage, band, d.name, d.box, d.enabled),
      stretch_(d.stretch),
      picture_(d.picture) {}

Band::Band(const BandDesign& d, Tenths width)
    : name_(d.name),
      kind_(d.kind),
      height_(d.height),
      width_(width),
      color_(d.color),
      enabled_(d.enabled) {}

// ---- Report ----

struct Report::Pending {
  TextElement* element;
  std::vector<TextLine> lines;
  std::size_t next;
};

struct Report::Pass {
  Document document;
  std::vector<PageItem> items;
  bool page_open = false;
  std::int64_t y = 0;
  double footer_reserve = 0;
  // Set while the column header opens a page and while footers close one:
  // these bands never break the page themselves.
  int no_break = 0;
};

Report::Report(ReportDesign design, std::shared_ptr<const FontMetrics> metrics)
    : design_(std::move(design)), measurer_(std::move(metrics)) {}

Report::~Report() = default;

Band& Report::AddBand(const BandDesign& d) {
  for (const auto& b : bands_) {
    if (b->name() == d.name) throw Error("Duplicate band name '" + d.name + "'");
  }
  Band** single = nullptr;
  switch (d.kind) {
    case BandKind::kTitle:
      single = &title_;
      break;
    case BandKind::kColumnHeader:
      single = &column_header_;
      break;
    case BandKind::kDetail:
      single = &detail_;
      break;
    case BandKind::kPageFooter:
      single = &page_footer_;
      break;
    case BandKind::kChild:
      break;
  }
  if (single && *single) throw Error("Band '" + d.name + "' is a second band of its kind");
  Band* parent = nullptr;
  if (d.kind == BandKind::kChild) {
    for (const auto& b : bands_) {
      if (b->name() == d.parent) parent = b.get();
    }
    if (!parent) throw Error("Band '" + d.name + "' has no parent band '" + d.parent + "'");
    if (parent->child_) throw Error("Band '" + d.parent + "' already has a child band");
  }
  const Tenths width = d.width > Tenths(0)
                           ? d.width
                           : design_.page_width - design_.left_margin - design_.right_margin;
  auto band = std::unique_ptr<Band>(new Band(d, width));
  for (const ElementDesign& ed : d.elements) {
    std::unique_ptr<Element> e = std::visit(
        [&](const auto& x) -> std::unique_ptr<Element> {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, LabelDesign>) {
            return std::make_unique<Label>(*band, x, measurer_);
          } else if constexpr (std::is_same_v<T, DataTextDesign>) {
            return std::make_unique<DataText>(*band, x, measurer_);
          } else if constexpr (std::is_same_v<T, ImageDesign>) {
            return std::make_unique<Image>(*band, x);
          } else {
            return std::make_unique<Shape>(*band, x);
          }
        },
        ed);
    if (by_name_.count(e->name()) || e->name().empty()) {
      throw Error("Element name '" + e->name() + "' is empty or not unique");
    }
    band->elements_.push_back(std::move(e));
  }
  for (const auto& e : band->elements_) {
    by_name_.emplace(e->name(), e.get());
    components_.push_back(e.get());
  }
  if (parent) {
    band->parent_ = parent;
    parent->child_ = band.get();
  }
  if (single) *single = band.get();
  bands_.push_back(std::move(band));
  return *bands_.back();
}

Band& Report::band(std::string_view name) {
  for (const auto& b : bands_) {
    if (b->name() == name) return *b;
  }
  throw Error("Band '" + std::string(name) + "' not found");
}

Element* Report::FindElement(std::string_view name) {
  auto it = by_name_.find(std::string(name));
  return it == by_name_.end() ? nullptr : it->second;
}

Element& Report::element(std::string_view name) {
  Element* e = FindElement(name);
  if (!e) throw Error("Element '" + std::string(name) + "' not found");
  return *e;
}

namespace {

template <typename T>
T& As(Element& e, bool ok, const char* what) {
  if (!ok) throw Error("Element '" + e.name() + "' is not " + what);
  return static_cast<T&>(e);
}

}  // namespace

Label& Report::label(std::string_view name) {
  Element& e = element(name);
  return As<Label>(e, e.kind() == ElementKind::kLabel, "a label");
}

DataText& Report::data_text(std::string_view name) {
  Element& e = element(name);
  return As<DataText>(e, e.kind() == ElementKind::kDataText, "a data text");
}

Shape& Report::shape(std::string_view name) {
  Element& e = element(name);
  return As<Shape>(e, e.kind() == ElementKind::kShape || e.kind() == ElementKind::kPdfShape,
                   "a shape");
}

Image& Report::image(std::string_view name) {
  Element& e = element(name);
  return As<Image>(e, e.kind() == ElementKind::kImage, "an image");
}

void Report::ClearDynamicLabels() {
  for (Element* e : components_) {
    if (e->kind() != ElementKind::kLabel) continue;
    auto& label = static_cast<Label&>(*e);
    if (!label.is_static()) label.SetCaption("");
  }
}

std::int64_t Report::RoomBelow(std::int64_t y) const {
  const double reserve = pass_ ? pass_->footer_reserve : 0;
  return Rnd(design_.page_height.value() - design_.bottom_margin.value() - reserve -
             static_cast<double>(y));
}

template <typename Item>
void Report::Emit(Item item) {
  pass_->items.emplace_back(std::in_place_type<Item>, std::move(item));
}

Document Report::Run() {
  pass_ = std::make_unique<Pass>();
  struct Reset {
    Report* r;
    ~Reset() { r->pass_.reset(); }
  } reset{this};
  Pass& pass = *pass_;
  pass.document.page_width = design_.page_width;
  pass.document.page_height = design_.page_height;
  pass.document.title = design_.title;

  bool print = true;
  if (before_print) before_print(*this, print);
  if (!print) return std::move(pass.document);

  for (Band* b = page_footer_; b && b->enabled(); b = b->child()) {
    pass.footer_reserve += b->height().value();
  }
  page_number_ = 0;
  row_ = 0;
  const std::size_t rows = source_ ? source_->RowCount() : 0;
  if (rows == 0) return std::move(pass.document);

  for (Element* e : components_) {
    if (e->kind() != ElementKind::kDataText) continue;
    auto& text = static_cast<DataText&>(*e);
    text.field_index_ = source_->FieldIndex(text.field());
    if (text.field_index_ < 0) throw Error("Field '" + text.field() + "' not found");
  }

  if (title_) PlaceBand(*title_);
  if (column_header_) PlaceBand(*column_header_);
  for (row_ = 0; row_ < rows; ++row_) {
    if (detail_) PlaceBand(*detail_);
  }
  row_ = rows - 1;
  if (pass.page_open) EndPage();
  return std::move(pass.document);
}

void Report::PlaceBand(Band& band) {
  // A disabled band takes no part in the pass: no handler, no room.
  if (band.enabled()) {
    bool print = true;
    if (band.before_print) band.before_print(band, print);
    if (print) {
      RoomTest(band);
      DrawBand(band, nullptr);
    }
    if (band.after_print) band.after_print(band, print);
  }
  if (band.child()) PlaceBand(*band.child());
}

void Report::RoomTest(const Band& band) {
  Pass& pass = *pass_;
  if (!pass.page_open) {
    OpenPage();
    return;
  }
  if (pass.no_break) return;
  const std::int64_t needed = Rnd(band.height());
  const std::int64_t printable =
      Rnd(design_.page_height - design_.top_margin - design_.bottom_margin);
  if (RoomBelow(pass.y) < needed && needed <= printable) {
    EndPage();
    OpenPage();
  }
}

void Report::OpenPage() {
  Pass& pass = *pass_;
  ++page_number_;
  pass.page_open = true;
  pass.items.clear();
  pass.y = Rnd(design_.top_margin);
  if (page_number_ >= 2 && column_header_) {
    ++pass.no_break;
    PlaceBand(*column_header_);
    --pass.no_break;
  }
}

void Report::EndPage() {
  Pass& pass = *pass_;
  pass.y = RoomBelow(0);
  if (page_footer_) {
    ++pass.no_break;
    PlaceBand(*page_footer_);
    --pass.no_break;
  }
  pass.page_open = false;
  pass.document.pages.emplace_back(page_number_, std::move(pass.items));
  pass.items = {};
}

void Report::DrawBand(Band& band, std::vector<Pending>* resume) {
  Pass& pass = *pass_;
  const Tenths x0 = design_.left_margin;
  const Tenths y0(static_cast<double>(pass.y));
  Emit(FillRect{{x0, y0, band.width(), band.height()}, band.color()});
  Tenths growth;
  std::vector<Pending> pending;
  std::size_t resume_lines = 0;
  if (resume) {
    for (const Pending& p : *resume) resume_lines += p.lines.size() - p.next;
    for (Pending& p : *resume) {
      DrawText(*p.element, std::move(p.lines), p.next, x0, y0, band, growth, pending);
    }
  } else {
    for (const auto& e : band.elements()) {
      if (e->enabled()) DrawElement(*e, x0, y0, band, growth, pending);
    }
  }
  pass.y += Rnd(band.height() + growth);
  // A continuation that could not draw a single line would never end; its
  // lines are dropped like those of a full box.
  const auto remaining = [](const std::vector<Pending>& list) {
    std::size_t n = 0;
    for (const Pending& p : list) n += p.lines.size() - p.next;
    return n;
  };
  if (resume && remaining(pending) >= resume_lines) return;
  if (!pending.empty() && !pass.no_break) {
    EndPage();
    OpenPage();
    DrawBand(band, &pending);
  }
}

void Report::DrawElement(Element& element, Tenths x0, Tenths y0, const Band& band, Tenths& growth,
                         std::vector<Pending>& pending) {
  switch (element.kind()) {
    case ElementKind::kLabel: {
      auto& label = static_cast<Label&>(element);
      DrawText(label, label.Layout(label.caption()), 0, x0, y0, band, growth, pending);
      return;
    }
    case ElementKind::kDataText: {
      auto& text = static_cast<DataText&>(element);
      std::vector<TextLine> lines = text.Layout(source_->Text(row_, text.field_index_));
      DrawText(text, std::move(lines), 0, x0, y0, band, growth, pending);
      return;
    }
    case ElementKind::kShape:
    case ElementKind::kPdfShape: {
      const auto& shape = static_cast<const Shape&>(element);
      const Box b = shape.box().Translated(x0, y0);
      switch (shape.shape()) {
        case ShapeKind::kRectangle:
          if (shape.brush() == Brush::kSolid) Emit(FillRect{b, kWhite});
          Emit(StrokeRect{b, shape.pen()});
          return;
        case ShapeKind::kVerticalLine: {
          const Tenths x = b.left + b.width / 2;
          Emit(Line{x, b.top, x, b.bottom(), shape.pen()});
          return;
        }
        case ShapeKind::kHorizontalLine: {
          const Tenths y = b.top + b.height / 2;
          Emit(Line{b.left, y, b.right(), y, shape.pen()});
          return;
        }
      }
      return;
    }
    case ElementKind::kImage: {
      const auto& image = static_cast<const Image&>(element);
      if (image.picture().empty()) return;
      const Box b = image.box().Translated(x0, y0);
      Box dest = b;
      if (!image.stretch()) {
        dest.width = kPicturePixel * image.picture().width();
        dest.height = kPicturePixel * image.picture().height();
      }
      Emit(ImageItem{dest, b, image.picture()});
      return;
    }
  }
}

void Report::DrawText(TextElement& element, std::vector<TextLine> lines, std::size_t first,
                      Tenths x0, Tenths y0, const Band& band, Tenths& growth,
                      std::vector<Pending>& pending) {
  const Box b = element.box().Translated(x0, y0);
  const FaceMetrics& face = element.face();
  const Tenths pitch = face.pitch();
  const Tenths tolerance(1);
  if (!element.transparent()) Emit(FillRect{b, kWhite});
  Tenths grown;
  for (std::size_t i = first; i < lines.size(); ++i) {
    const Tenths line_top = b.top + pitch * static_cast<double>(i - first);
    bool refused = false;
    while (line_top + pitch > b.bottom() + grown + tolerance) {
      if (!element.auto_stretch()) {
        refused = true;
        break;
      }
      if (RoomBelow(Rnd(y0)) < Rnd(band.height() + grown + pitch)) {
        pending.push_back({&element, std::move(lines), i});
        refused = true;
        break;
      }
      if (!element.transparent()) {
        Emit(FillRect{{b.left, b.bottom() + grown, b.width, pitch}, kWhite});
      }
      grown += pitch;
    }
    if (refused) break;
    const TextLine& line = lines[i];
    if (line.bytes.empty()) continue;
    Tenths x = b.left;
    if (element.alignment() == Align::kRight) x = b.right() - line.width;
    if (element.alignment() == Align::kCenter) x = b.left + (b.width - line.width) / 2;
    Emit(TextRun{x, line_top + face.ascent, element.font(), line.width, line.bytes});
  }
  growth = std::max(growth, grown);
}

}  // namespace report

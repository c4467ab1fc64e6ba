#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "report/data_source.h"
#include "report/font.h"
#include "report/page.h"
#include "report/picture.h"
#include "report/text_layout.h"
#include "report/units.h"

namespace report {

// Failures of the engine: unknown names, a bad design, a missing field.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Align { kLeft, kRight, kCenter };
enum class ShapeKind { kRectangle, kVerticalLine, kHorizontalLine };
enum class Brush { kSolid, kClear };  // solid is white
enum class BandKind { kTitle, kColumnHeader, kChild, kDetail, kPageFooter };
enum class ElementKind { kLabel, kDataText, kShape, kImage, kPdfShape };

// ---- Design data: plain aggregates, one per element, in drawing order. ----

struct LabelDesign {
  std::string name = {};
  Box box = {};
  std::string caption = {};
  int tag = 0;  // kStaticTag keeps the caption through ClearDynamicLabels
  Align alignment = Align::kLeft;
  bool auto_size = false;
  bool word_wrap = true;
  bool auto_stretch = false;
  bool transparent = false;
  FontSpec font = {};
  bool enabled = true;
};

struct DataTextDesign {
  std::string name = {};
  Box box = {};
  std::string field = {};
  Align alignment = Align::kLeft;
  bool auto_size = false;
  bool word_wrap = true;
  bool auto_stretch = false;
  bool transparent = false;
  FontSpec font = {};
  bool enabled = true;
};

struct ShapeDesign {
  std::string name = {};
  Box box = {};
  ShapeKind shape = ShapeKind::kRectangle;
  PenStyle pen = PenStyle::kSolid;
  Brush brush = Brush::kSolid;
  bool enabled = true;
};

struct ImageDesign {
  std::string name = {};
  Box box = {};
  bool stretch = false;
  Picture picture = {};
  bool enabled = true;
};

// A rectangle with the default pen and brush, kept as its own kind because
// the layout has one.
struct PdfShapeDesign {
  std::string name = {};
  Box box = {};
  bool enabled = true;
};

using ElementDesign =
    std::variant<LabelDesign, DataTextDesign, ShapeDesign, ImageDesign, PdfShapeDesign>;

struct BandDesign {
  std::string name = {};
  BandKind kind = BandKind::kDetail;
  Tenths height = {};
  std::string parent = {};  // child bands: the band they print after
  Tenths width = {};        // zero: the width between the margins
  Rgb color = kWhite;
  bool enabled = true;
  std::vector<ElementDesign> elements = {};
};

struct ReportDesign {
  std::string name = {};
  std::string title = {};  // the print job's name
  Tenths page_width = Mm(210);
  Tenths page_height = Mm(297);
  Tenths top_margin = Mm(6);
  Tenths bottom_margin = Mm(6);
  Tenths left_margin = Mm(7);
  Tenths right_margin = Mm(3);
};

inline constexpr int kStaticTag = 99;

// ---- The live report: design data that fill steps and handlers change. ----

class Band;

class Element {
 public:
  virtual ~Element() = default;
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  const std::string& name() const { return name_; }
  ElementKind kind() const { return kind_; }
  Band& band() const { return *band_; }
  const Box& box() const { return box_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled) { enabled_ = enabled; }

  // Each keeps the other edges: a new left or top moves the element, a new
  // width or height moves its right or bottom edge.
  void set_left(Tenths left) { box_.left = left; }
  void set_top(Tenths top) { box_.top = top; }
  void set_width(Tenths width) { box_.width = width; }
  void set_height(Tenths height) { box_.height = height; }
  void set_box(const Box& box) { box_ = box; }

 protected:
  Element(ElementKind kind, Band& band, std::string name, const Box& box, bool enabled)
      : kind_(kind), band_(&band), name_(std::move(name)), box_(box), enabled_(enabled) {}

 private:
  ElementKind kind_;
  Band* band_;
  std::string name_;
  Box box_;
  bool enabled_;
};

// What labels and data texts share: font, alignment and the layout switches.
class TextElement : public Element {
 public:
  Align alignment() const { return alignment_; }
  bool auto_size() const { return auto_size_; }
  bool word_wrap() const { return word_wrap_; }
  bool auto_stretch() const { return auto_stretch_; }
  bool transparent() const { return transparent_; }
  const FontSpec& font() const { return font_; }
  const FaceMetrics& face() const { return *face_; }

  void set_alignment(Align a) { alignment_ = a; }
  void set_transparent(bool t) { transparent_ = t; }
  void set_font(const FontSpec& font);

  // The lines this element shows for a text in its current box. With
  // auto-size, the box first takes the width of the widest line, keeping the
  // edge that the alignment names, and grows to one line pitch if lower.
  std::vector<TextLine> Layout(std::string_view text);

 protected:
  TextElement(ElementKind kind, Band& band, std::string name, const Box& box, bool enabled,
              Align alignment, bool auto_size, bool word_wrap, bool auto_stretch, bool transparent,
              const FontSpec& font, TextMeasurer& measurer);

 private:
  Align alignment_;
  bool auto_size_;
  bool word_wrap_;
  bool auto_stretch_;
  bool transparent_;
  FontSpec font_;
  TextMeasurer* measurer_;
  const FaceMetrics* face_;
};

class Label : public TextElement {
 public:
  Label(Band& band, const LabelDesign& d, TextMeasurer& measurer);

  const std::string& caption() const { return caption_; }
  int tag() const { return tag_; }
  bool is_static() const { return tag_ == kStaticTag; }
  // An auto-size label lays the caption out at once, so its box follows the
  // new text.
  void SetCaption(std::string caption);

 private:
  friend class Report;
  std::string caption_;
  int tag_;
};

class DataText : public TextElement {
 public:
  DataText(Band& band, const DataTextDesign& d, TextMeasurer& measurer);
  const std::string& field() const { return field_; }

 private:
  friend class Report;
  std::string field_;
  int field_index_ = -1;
};

// Rectangles, lines and the PDF rectangle.
class Shape : public Element {
 public:
  Shape(Band& band, const ShapeDesign& d);
  Shape(Band& band, const PdfShapeDesign& d);
  ShapeKind shape() const { return shape_; }
  PenStyle pen() const { return pen_; }
  Brush brush() const { return brush_; }

 private:
  ShapeKind shape_;
  PenStyle pen_;
  Brush brush_;
};

class Image : public Element {
 public:
  Image(Band& band, const ImageDesign& d);
  bool stretch() const { return stretch_; }
  void set_stretch(bool stretch) { stretch_ = stretch; }
  const Picture& picture() const { return picture_; }
  void set_picture(Picture picture) { picture_ = std::move(picture); }

 private:
  bool stretch_;
  Picture picture_;
};

class Band {
 public:
  // The handler may clear the flag to keep the band off the page.
  using BeforePrint = std::function<void(Band& band, bool& print)>;
  using AfterPrint = std::function<void(Band& band, bool printed)>;

  Band(const Band&) = delete;
  Band& operator=(const Band&) = delete;

  const std::string& name() const { return name_; }
  BandKind kind() const { return kind_; }
  Tenths height() const { return height_; }
  void set_height(Tenths height) { height_ = height; }
  Tenths width() const { return width_; }
  Rgb color() const { return color_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled) { enabled_ = enabled; }
  Band* parent() const { return parent_; }
  Band* child() const { return child_; }
  const std::vector<std::unique_ptr<Element>>& elements() const { return elements_; }

  BeforePrint before_print;
  AfterPrint after_print;

 private:
  friend class Report;
  Band(const BandDesign& d, Tenths width);

  std::string name_;
  BandKind kind_;
  Tenths height_;
  Tenths width_;
  Rgb color_;
  bool enabled_;
  Band* parent_ = nullptr;
  Band* child_ = nullptr;
  std::vector<std::unique_ptr<Element>> elements_;
};

class Report {
 public:
  using BeforePrint = std::function<void(Report& report, bool& print)>;

  Report(ReportDesign design, std::shared_ptr<const FontMetrics> metrics);
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;
  ~Report();

  // Bands are added parents first. Throws Error on a second band of a kind
  // that has one per report, a duplicate name, an unknown parent or a parent
  // that already has a child.
  Band& AddBand(const BandDesign& design);

  // Not owned; must outlive every pass.
  void set_data_source(const DataSource* source) { source_ = source; }
  const DataSource* data_source() const { return source_; }

  const ReportDesign& design() const { return design_; }
  Band& band(std::string_view name);
  Element* FindElement(std::string_view name);
  // Throw Error when no element of that name and kind exists.
  Element& element(std::string_view name);
  Label& label(std::string_view name);
  DataText& data_text(std::string_view name);
  Shape& shape(std::string_view name);
  Image& image(std::string_view name);

  // Empties the caption of every label that is not static, in the order the
  // elements were added.
  void ClearDynamicLabels();

  BeforePrint before_print;

  // One report pass: every page again from the first row, page numbers from 1.
  Document Run();

  // While a pass runs: the number of the page being filled, from 1, and the
  // row whose detail band is being placed.
  int page_number() const { return page_number_; }
  std::size_t current_row() const { return row_; }

  // The room the reserve for page footers leaves below a vertical position,
  // in whole tenths.
  std::int64_t RoomBelow(std::int64_t y) const;

 private:
  struct Pending;
  struct Pass;

  void PlaceBand(Band& band);
  void RoomTest(const Band& band);
  void DrawBand(Band& band, std::vector<Pending>* resume);
  void DrawElement(Element& element, Tenths x0, Tenths y0, const Band& band, Tenths& growth,
                   std::vector<Pending>& pending);
  void DrawText(TextElement& element, std::vector<TextLine> lines, std::size_t first, Tenths x0,
                Tenths y0, const Band& band, Tenths& growth, std::vector<Pending>& pending);
  void OpenPage();
  void EndPage();
  template <typename Item>
  void Emit(Item item);

  ReportDesign design_;
  TextMeasurer measurer_;
  const DataSource* source_ = nullptr;
  std::vector<std::unique_ptr<Band>> bands_;
  std::vector<Element*> components_;
  std::unordered_map<std::string, Element*> by_name_;
  Band* title_ = nullptr;
  Band* column_header_ = nullptr;
  Band* detail_ = nullptr;
  Band* page_footer_ = nullptr;

  // Pass state.
  std::unique_ptr<Pass> pass_;
  int page_number_ = 0;
  std::size_t row_ = 0;
};

}  // namespace report

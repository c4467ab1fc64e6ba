#include "danfe/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "danfe/layout_rows.h"

namespace danfe {
namespace {

struct Census {
  int elements = 0;
  int rectangles = 0;
  int vertical_lines = 0;
  int horizontal_lines = 0;
  int pdf_shapes = 0;
  int images = 0;
  int static_labels = 0;
  int dynamic_labels = 0;
  friend bool operator==(const Census&, const Census&) = default;
};

Census Count(const report::BandDesign& band) {
  Census c;
  for (const report::ElementDesign& e : band.elements) {
    ++c.elements;
    if (const auto* label = std::get_if<report::LabelDesign>(&e)) {
      (label->tag == report::kStaticTag ? c.static_labels : c.dynamic_labels)++;
    } else if (const auto* shape = std::get_if<report::ShapeDesign>(&e)) {
      switch (shape->shape) {
        case report::ShapeKind::kRectangle:
          ++c.rectangles;
          break;
        case report::ShapeKind::kVerticalLine:
          ++c.vertical_lines;
          break;
        case report::ShapeKind::kHorizontalLine:
          ++c.horizontal_lines;
          break;
      }
    } else if (std::holds_alternative<report::PdfShapeDesign>(e)) {
      ++c.pdf_shapes;
    } else if (std::holds_alternative<report::ImageDesign>(e)) {
      ++c.images;
    }
  }
  return c;
}

const report::BandDesign& Band(const std::vector<report::BandDesign>& bands,
                               std::string_view name) {
  auto it = std::find_if(bands.begin(), bands.end(), [&](const auto& b) { return b.name == name; });
  if (it == bands.end()) throw std::runtime_error("no band " + std::string(name));
  return *it;
}

TEST(LayoutTest, HeadBandsHoldTheirElements) {
  const std::vector<report::BandDesign> bands = DanfeBands();
  EXPECT_EQ(Count(Band(bands, "QRBandCabecalho")), (Census{.elements = 14,
                                                           .rectangles = 1,
                                                           .vertical_lines = 2,
                                                           .horizontal_lines = 2,
                                                           .static_labels = 3,
                                                           .dynamic_labels = 6}));
  EXPECT_EQ(Count(Band(bands, "QRBandDadosEmitenteChaveAcesso")), (Census{.elements = 38,
                                                                          .rectangles = 4,
                                                                          .vertical_lines = 5,
                                                                          .pdf_shapes = 1,
                                                                          .images = 2,
                                                                          .static_labels = 11,
                                                                          .dynamic_labels = 15}));
  EXPECT_EQ(Count(Band(bands, "ChildBandDadosDestRemetFatImpostos")),
            (Census{.elements = 127,
                    .rectangles = 13,
                    .vertical_lines = 28,
                    .static_labels = 46,
                    .dynamic_labels = 40}));
}

// The recipient band's blocks together name every place of its drawing
// order once.
TEST(LayoutTest, RecipientBlocksCoverTheDrawingOrder) {
  std::vector<int> orders;
  for (const layout::NumberedElement& e : layout::RecipientBlocks()) orders.push_back(e.order);
  std::sort(orders.begin(), orders.end());
  std::vector<int> expected(127);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(orders, expected);

  const std::vector<report::ElementDesign> drawn = layout::RecipientElements();
  const auto name = [](const report::ElementDesign& e) {
    return std::visit([](const auto& d) { return d.name; }, e);
  };
  EXPECT_EQ(name(drawn.front()), "QRShape23");
  EXPECT_EQ(name(drawn[1]), "QRShape15");
  EXPECT_EQ(name(drawn.back()), "QRLFoneFax_Dest");
}

}  // namespace
}  // namespace danfe

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

// The names of a band's elements that have a property.
template <typename Design>
std::set<std::string> Names(const report::BandDesign& band, bool (*has)(const Design&)) {
  std::set<std::string> names;
  for (const report::ElementDesign& e : band.elements) {
    if (const auto* d = std::get_if<Design>(&e); d && has(*d)) names.insert(d->name);
  }
  return names;
}

// The settings that single out a few elements from their band's shared ones.
TEST(LayoutTest, HeadBandsExceptions) {
  const std::vector<report::BandDesign> bands = DanfeBands();
  const report::BandDesign& stub = Band(bands, "QRBandCabecalho");
  const report::BandDesign& emitter = Band(bands, "QRBandDadosEmitenteChaveAcesso");
  const report::BandDesign& recipient = Band(bands, "ChildBandDadosDestRemetFatImpostos");
  using NameSet = std::set<std::string>;
  const auto opaque = +[](const report::LabelDesign& d) { return !d.transparent; };
  const auto fixed = +[](const report::LabelDesign& d) { return !d.auto_size; };
  const auto clear = +[](const report::ShapeDesign& d) { return d.brush == report::Brush::kClear; };
  const auto dashed =
      +[](const report::ShapeDesign& d) { return d.pen != report::PenStyle::kSolid; };
  const auto stretched = +[](const report::ImageDesign& d) { return d.stretch; };

  EXPECT_EQ(Names(stub, opaque), NameSet{});
  EXPECT_EQ(Names(stub, fixed), NameSet{});
  EXPECT_EQ(Names(stub, clear), NameSet{"QRShape1"});
  EXPECT_EQ(Names(stub, dashed), NameSet{"QRShape2"});

  EXPECT_EQ(Names(emitter, opaque),
            (NameSet{"QRLabel6", "QRLabel9", "QRLabel10", "QRLEntrada_Saida", "QRLRazao_Emit"}));
  EXPECT_EQ(Names(emitter, fixed),
            (NameSet{"QRLabel8", "QRLRazao_Emit", "QRLEndereco_Emit", "QRLChaveAcesso",
                     "QRLabelFantisiaEmit", "QRLabelDadosNFe", "QRLabelFantisiaEmit2",
                     "QRLRazao_Emit2"}));
  EXPECT_EQ(Names(emitter, clear), NameSet{"QRShape11"});
  EXPECT_EQ(Names(emitter, dashed), NameSet{});
  EXPECT_EQ(Names(emitter, stretched), NameSet{"QRImageLogoEmp"});

  EXPECT_EQ(Names(recipient, opaque), NameSet{});
  EXPECT_EQ(
      Names(recipient, fixed),
      (NameSet{"QRLEndereco_Dest", "QRLInscEstadual_Dest", "QRLFoneFax_Dest", "QRLabel38",
               "QRLDataEmissao", "QRLDataEntrada", "QRLabel40", "QRLabel41", "QRLHoraSaida",
               "QRLFatura", "QRLRazao_Transp", "QRLEnder_Transp", "QRLMarca", "QRLQtd_Transp"}));
  EXPECT_EQ(Names(recipient, clear), NameSet{});
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

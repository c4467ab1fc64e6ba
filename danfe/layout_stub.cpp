#include "danfe/layout_rows.h"

namespace danfe::layout {

using report::Align;
using report::Brush;
using report::ImageDesign;
using report::kStaticTag;
using report::LabelDesign;
using report::MmBox;
using report::PdfShapeDesign;
using report::PenStyle;
using report::ShapeDesign;
using report::ShapeKind;

// The receipt stub at the top of the first sheet, cut off along the
// dash-dot-dot line: every label is auto-size and transparent.
std::vector<report::ElementDesign> ReceiptStubElements() {
  return {
      ShapeDesign{.name = "QRShape1", .box = MmBox(0.0, 0.0, 200.0, 15.1), .brush = Brush::kClear},
      // "RECEBI(EMOS) DE (" [emit] xNome ") OS PRODUTOS ..."
      LabelDesign{.name = "QRLabelRecebemosDe",
                  .box = MmBox(1.3, 1.3, 119.8, 2.8),
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      ShapeDesign{.name = "QRShape2",
                  .box = MmBox(0.0, 15.6, 200.0, 2.4),
                  .shape = ShapeKind::kHorizontalLine,
                  .pen = PenStyle::kDashDotDot},
      LabelDesign{.name = "QRLabel3",
                  .box = MmBox(1.3, 6.6, 25.7, 3.4),
                  .caption = "DATA DO RECEBIMENTO",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      LabelDesign{.name = "QRLabel4",
                  .box = MmBox(28.0, 6.6, 49.5, 3.4),
                  .caption = "IDENTIFICA\xC7\xC3O E ASSINATURA DO RECEBEDOR",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      LabelDesign{.name = "QRLabel5",
                  .box = MmBox(178.6, 1.1, 7.2, 4.5),
                  .caption = "NF-e",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = kReportFont},
      // FormatInvoiceNumber of [ide] nNF, default 0
      LabelDesign{.name = "QRLNumNota",
                  .box = MmBox(173.3, 6.6, 16.4, 4.2),
                  .alignment = Align::kCenter,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      // FormatSeries of [ide] serie, default "0"
      LabelDesign{.name = "QRLSerie",
                  .box = MmBox(177.8, 10.8, 8.7, 3.4),
                  .alignment = Align::kCenter,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      // the recipient's code and name, or "SEM VALOR FISCAL"
      LabelDesign{.name = "QRLRazao_Dest",
                  .box = MmBox(30.4, 11.9, 18.3, 2.8),
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      ShapeDesign{
          .name = "QRShape3", .box = MmBox(27.0, 6.1, 0.3, 8.7), .shape = ShapeKind::kVerticalLine},
      ShapeDesign{.name = "QRShape4",
                  .box = MmBox(0.0, 6.1, 155.2, 0.3),
                  .shape = ShapeKind::kHorizontalLine},
      ShapeDesign{.name = "QRShape5",
                  .box = MmBox(155.0, 0.0, 0.3, 14.8),
                  .shape = ShapeKind::kVerticalLine},
      // "Valor total da nota: " and FormatMoney of [ICMSTot] vNF
      LabelDesign{.name = "QRLValorTotalCab",
                  .box = MmBox(130.2, 11.2, 23.8, 3.4),
                  .alignment = Align::kRight,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      // [infAdic] infDataNumPedido, raw
      LabelDesign{.name = "QRLDataNumeroPedido",
                  .box = MmBox(111.9, 6.6, 42.3, 2.8),
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
  };
}

}  // namespace danfe::layout

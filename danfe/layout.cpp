#include "danfe/layout.h"

#include "danfe/layout_rows.h"

namespace danfe {

using report::BandKind;
using report::Px;

report::ReportDesign DanfeReportDesign() { return {.name = "QuickRepDanfe", .title = "DANFE"}; }

// Band heights are the designer's pixels at the design zoom.
std::vector<report::BandDesign> DanfeBands() {
  return {
      {.name = "QRBandCabecalho",
       .kind = BandKind::kTitle,
       .height = Px(96),
       .elements = layout::ReceiptStubElements()},
      {.name = "QRBandDadosEmitenteChaveAcesso",
       .kind = BandKind::kColumnHeader,
       .height = Px(286),
       .elements = layout::EmitterElements()},
      {.name = "ChildBandDadosDestRemetFatImpostos",
       .kind = BandKind::kChild,
       .height = Px(390),
       .parent = "QRBandDadosEmitenteChaveAcesso",
       .elements = layout::RecipientElements()},
      {.name = "QRChildBandDescricaoItens",
       .kind = BandKind::kChild,
       .height = Px(23),
       .parent = "ChildBandDadosDestRemetFatImpostos",
       .elements = layout::ItemHeadingElements()},
      {.name = "QRBandDetalhe",
       .kind = BandKind::kDetail,
       .height = Px(16),
       .elements = layout::ItemRowElements()},
      {.name = "PageFooterBand1",
       .kind = BandKind::kPageFooter,
       .height = Px(280),
       .elements = layout::FooterElements()},
  };
}

}  // namespace danfe

#include "danfe/layout_rows.h"

namespace danfe::layout {

using report::Align;
using report::kStaticTag;
using report::LabelDesign;
using report::MmBox;
using report::ShapeDesign;
using report::ShapeKind;

// The foot of every sheet: the ISSQN totals in a row of four boxes, the
// additional data with the system line at its foot, and the box reserved to
// the tax authority. The additional data and the system line are static so
// that clearing the dynamic labels leaves them alone; the footer fill always
// writes both.
std::vector<report::ElementDesign> FooterElements() {
  return {
      LabelDesign{.name = "QRLabel60",
                  .box = MmBox(0.0, 0.4, 19.1, 2.5),
                  .caption = "C\xC1LCULO DO ISSQN",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Bold(5)},
      ShapeDesign{.name = "QRShape63", .box = MmBox(0.0, 3.2, 200.0, 5.6)},
      LabelDesign{.name = "QRLabel78",
                  .box = MmBox(0.4, 3.6, 24.4, 2.8),
                  .caption = "INSCRI\xC7\xC3O MUNICIPAL",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      ShapeDesign{.name = "QRShape83",
                  .box = MmBox(43.4, 3.2, 2.4, 5.4),
                  .shape = ShapeKind::kVerticalLine},
      ShapeDesign{.name = "QRShape84",
                  .box = MmBox(92.3, 3.2, 2.4, 5.4),
                  .shape = ShapeKind::kVerticalLine},
      LabelDesign{.name = "QRLabel80",
                  .box = MmBox(45.2, 3.6, 30.6, 2.8),
                  .caption = "VALOR TOTAL DOS SERVI\xC7OS",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      // FormatMoney of [ISSQNtot] vServ
      LabelDesign{.name = "QRLValorTotalServicos",
                  .box = MmBox(82.2, 5.1, 7.4, 3.6),
                  .alignment = Align::kRight,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      LabelDesign{.name = "QRLabel81",
                  .box = MmBox(94.3, 3.8, 29.9, 2.8),
                  .caption = "BASE DE C\xC1LCULO DO ISSQN",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      // FormatMoney of [ISSQNtot] vBC
      LabelDesign{.name = "QRLBaseCalcISSQN",
                  .box = MmBox(126.2, 5.1, 4.7, 3.6),
                  .alignment = Align::kRight,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      ShapeDesign{.name = "QRShape85",
                  .box = MmBox(133.1, 3.0, 2.4, 5.6),
                  .shape = ShapeKind::kVerticalLine},
      LabelDesign{.name = "QRLabel82",
                  .box = MmBox(145.7, 3.6, 18.0, 2.8),
                  .caption = "VALOR DO ISSQN",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      // FormatMoney of [ISSQNtot] vISS
      LabelDesign{.name = "QRLValorISSQN",
                  .box = MmBox(189.7, 4.9, 4.7, 3.6),
                  .alignment = Align::kRight,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      LabelDesign{.name = "QRLabel79",
                  .box = MmBox(0.0, 9.3, 18.5, 2.5),
                  .caption = "DADOS ADICIONAIS",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Bold(5)},
      ShapeDesign{.name = "QRShape7", .box = MmBox(0.3, 11.6, 108.2, 40.5)},
      // [infAdic] infCpl, a line break and "Protocolo: " [ProtocoloRecebimento]
      // nProt; what does not fit the box is not printed.
      LabelDesign{.name = "QRLDadosAdic",
                  .box = MmBox(1.3, 15.1, 105.8, 32.7),
                  .tag = kStaticTag,
                  .transparent = true,
                  .font = Pt(6)},
      ShapeDesign{.name = "QRShape86", .box = MmBox(108.2, 11.6, 91.8, 40.5)},
      LabelDesign{.name = "QRLabel13",
                  .box = MmBox(108.9, 12.9, 23.1, 2.8),
                  .caption = "RESERVADO AO FISCO",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      LabelDesign{.name = "QRLabel15",
                  .box = MmBox(0.4, 11.9, 35.9, 2.8),
                  .caption = "INFORMA\xC7\xD5"
                             "ES COMPLEMENTARES",
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
      // The emitter's municipal registration as stored, whatever the name says.
      LabelDesign{.name = "QRLInscMunic_Dest",
                  .box = MmBox(28.9, 5.1, 10.8, 3.6),
                  .alignment = Align::kRight,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(7)},
      // The line naming the management system that issued the invoice.
      LabelDesign{.name = "QRLabelKolve",
                  .box = MmBox(32.9, 48.9, 74.8, 2.8),
                  .tag = kStaticTag,
                  .auto_size = true,
                  .transparent = true,
                  .font = Pt(6)},
  };
}

}  // namespace danfe::layout

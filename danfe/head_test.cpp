// The head of the first sheet: receipt stub, emitter and access-key band, and
// recipient, taxes and transport band, filled from an invoice and laid out
// with the fixed test font (a byte is size/10 mm wide, bold 1.2 times; the
// ascent is 0.3 x size mm), so every position below is exact.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

#include "danfe/barcode.h"
#include "danfe/danfe.h"
#include "danfe/layout.h"
#include "invoice/error.h"
#include "invoice/ini_reader.h"
#include "report/text_layout.h"

namespace danfe {
namespace {

using report::Tenths;

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("DANFE_SOURCE_DIR");
  return dir ? dir : ".";
}

invoice::IniFile Fixture() {
  return invoice::IniFile::Load(SourceDir() / "tests/fixtures/invoice_head.ini");
}

// A desktop without pictures unless a test gives it one.
struct FakeDesktop : Services {
  std::filesystem::path ProgramFolder() override { return folder; }
  report::Picture LoadPicture(const std::filesystem::path& path) override {
    loaded.push_back(path);
    if (!picture) throw std::runtime_error("not a picture");
    return *picture;
  }
  void ShowLogoError() override { ++logo_errors; }

  std::filesystem::path folder = "/nonexistent";
  std::optional<report::Picture> picture;
  std::vector<std::filesystem::path> loaded;
  int logo_errors = 0;
};

struct Filled {
  FakeDesktop desktop;
  Danfe danfe{std::make_shared<report::FixedFontMetrics>(), desktop};
  invoice::IniFile data;

  explicit Filled(invoice::IniFile file, int sheets = 1) : data(std::move(file)) {
    danfe.Fill(data);
    danfe.set_total_sheets(sheets);
  }
  std::string Caption(std::string_view label) { return danfe.report().label(label).caption(); }
};

std::vector<const report::TextRun*> Texts(const report::Page& page, std::string_view bytes) {
  std::vector<const report::TextRun*> found;
  for (const report::PageItem& item : page.items()) {
    const auto* text = std::get_if<report::TextRun>(&item);
    if (text && text->bytes == bytes) found.push_back(text);
  }
  return found;
}

// The bands' top-left corners on page 1, in mm.
constexpr double kLeft = 7.0;
constexpr double kStubTop = 6.0;
constexpr double kEmitterTop = 24.1;
constexpr double kRecipientTop = 78.2;

TEST(HeadTest, PrintedTextsStandWhereTheLayoutPutsThem) {
  Filled f(Fixture());
  const report::Document doc = f.danfe.report().Run();
  ASSERT_EQ(doc.pages.size(), 1u);
  const report::Page& page = doc.pages[0];

  struct Case {
    std::string text;
    double x;         // mm from the sheet's left edge
    double baseline;  // mm from its top edge
  };
  const Case cases[] = {
      // Stub: number and series centred in the NF-e box, the total ending at
      // 154.0 mm of the band.
      {"N\xBA. 000.001.234", 183.25, kStubTop + 6.6 + 2.1},
      {"S\xC9RIE 001", 186.0, kStubTop + 10.8 + 2.1},
      {"SEM VALOR FISCAL", kLeft + 30.4, kStubTop + 11.9 + 1.8},
      {"Valor total da nota: 300,00", kLeft + 154.0 - 27 * 0.6, kStubTop + 11.2 + 1.8},
      {"RECEBI(EMOS) DE (IND\xDASTRIA DE M\xD3VEIS SUL LTDA) OS PRODUTOS CONSTANTES DA NOTA "
       "FISCAL INDICADA AO LADO:",
       kLeft + 1.3, kStubTop + 1.3 + 1.8},
      {"PEDIDO 778 DE 28/12/2012", kLeft + 111.9, kStubTop + 6.6 + 1.8},
      // Emitter and access key.
      {"N\xBA. 000.001.234", kLeft + 88.6, kEmitterTop + 23.6 + 3.0},
      {"S\xC9RIE 001", kLeft + 88.6, kEmitterTop + 27.8 + 3.0},
      {"FL 1/1", kLeft + 88.6, kEmitterTop + 31.8 + 3.0},
      {"1", kLeft + 108.3, kEmitterTop + 14.6 + 3.0},
      {"RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: 90000-000", kLeft, kEmitterTop + 29.5 + 2.4},
      {"12.345.678/0001-95", kLeft + 128.3, kEmitterTop + 48.9 + 2.1},
      {"VENDA DE MERCADORIA", kLeft + 0.2, kEmitterTop + 42.5 + 2.1},
      // Recipient, taxes and transport.
      {"SEM VALOR FISCAL", kLeft + 0.2, kRecipientTop + 6.6 + 2.4},
      {"98.765.432/0001-10", kLeft + 113.6, kRecipientTop + 6.6 + 2.4},
      {"AVENIDA BRASIL, 2500 SALA 3", kLeft + 0.3, kRecipientTop + 12.2 + 2.4},
      {"03/01/2013", kLeft + 174.4 + (25.3 - 8.0) / 2, kRecipientTop + 12.2 + 2.4},
      {"001 - 10/01/2013 - 100,00 | 002 - 10/02/2013 - 100,00 | 003 - 10/03/2013 - 100,00",
       kLeft + 0.5, kRecipientTop + 26.5 + 2.4},
      {"300,00", kLeft + 197.2 - 6 * 0.84, kRecipientTop + 45.2 + 2.1},  // bold total
      {"51,00", kLeft + 64.7 - 5 * 0.7, kRecipientTop + 39.5 + 2.1},
      {"1", kLeft + 101.7 - 0.7, kRecipientTop + 55.4 + 2.1},  // freight code
      {"42,50", kLeft + 155.9 - 5 * 0.7, kRecipientTop + 67.8 + 2.1},
      {"11222333000144", kLeft + 153.6, kRecipientTop + 56.9 + 2.1},
      {"DESTINAT\xC1RIO / REMETENTE", kLeft + 0.2, kRecipientTop + 1.5 + 1.5},
  };
  for (const Case& c : cases) {
    bool found = false;
    for (const report::TextRun* run : Texts(page, c.text)) {
      if (std::abs(run->x.mm() - c.x) < 1e-6 && std::abs(run->baseline.mm() - c.baseline) < 1e-6) {
        found = true;
      }
    }
    EXPECT_TRUE(found) << "\"" << c.text << "\" at " << c.x << ", " << c.baseline << "\n"
                       << page.Dump();
    if (!found) break;
  }
  // Both recipient labels and the page's 300,00 twice (tax totals, products).
  EXPECT_EQ(Texts(page, "SEM VALOR FISCAL").size(), 2u);
  EXPECT_EQ(Texts(page, "300,00").size(), 3u);  // base, products, invoice total
}

// Every element of the three bands, drawn from its design box at its band's
// place, in the band's drawing order.
TEST(HeadTest, EveryElementIsDrawnFromItsDesignBox) {
  Filled f(Fixture());
  const report::Document doc = f.danfe.report().Run();
  const std::vector<report::PageItem>& items = doc.pages.at(0).items();
  report::FixedFontMetrics metrics;

  const std::map<std::string, double> band_tops = {
      {"QRBandCabecalho", kStubTop},
      {"QRBandDadosEmitenteChaveAcesso", kEmitterTop},
      {"ChildBandDadosDestRemetFatImpostos", kRecipientTop}};
  const auto near = [](Tenths a, Tenths b) { return std::abs(a.value() - b.value()) < 1e-6; };
  int checked = 0;
  for (const report::BandDesign& band : DanfeBands()) {
    auto top = band_tops.find(band.name);
    if (top == band_tops.end()) continue;
    const Tenths x0 = report::Mm(kLeft);
    const Tenths y0 = report::Mm(top->second);
    std::size_t next = 0;  // items are searched from the last match on
    for (const report::ElementDesign& element : band.elements) {
      std::function<bool(const report::PageItem&)> match;
      std::function<bool(const report::PageItem&)> backdrop;  // opaque labels fill their box
      std::string name;
      std::visit(
          [&](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            name = d.name;
            const report::Box b = d.box.Translated(x0, y0);
            if constexpr (std::is_same_v<T, report::ShapeDesign>) {
              match = [&d, b, near](const report::PageItem& item) {
                if (d.shape == report::ShapeKind::kRectangle) {
                  const auto* r = std::get_if<report::StrokeRect>(&item);
                  return r && r->box == b && r->pen == d.pen;
                }
                const auto* l = std::get_if<report::Line>(&item);
                if (!l || l->pen != d.pen) return false;
                if (d.shape == report::ShapeKind::kVerticalLine) {
                  const Tenths x = b.left + b.width / 2;
                  return near(l->x1, x) && near(l->x2, x) && near(l->y1, b.top) &&
                         near(l->y2, b.bottom());
                }
                const Tenths y = b.top + b.height / 2;
                return near(l->y1, y) && near(l->y2, y) && near(l->x1, b.left) &&
                       near(l->x2, b.right());
              };
            } else if constexpr (std::is_same_v<T, report::PdfShapeDesign>) {
              match = [b](const report::PageItem& item) {
                const auto* r = std::get_if<report::StrokeRect>(&item);
                return r && r->box == b;
              };
            } else if constexpr (std::is_same_v<T, report::ImageDesign>) {
              const report::Picture& picture = f.danfe.report().image(d.name).picture();
              if (picture.empty()) return;  // no logo in this run
              match = [b, &d, &picture, near](const report::PageItem& item) {
                const auto* image = std::get_if<report::ImageItem>(&item);
                if (!image || !(image->clip == b)) return false;
                const Tenths w = d.stretch ? b.width : report::kPicturePixel * picture.width();
                const Tenths h = d.stretch ? b.height : report::kPicturePixel * picture.height();
                return near(image->dest.left, b.left) && near(image->dest.top, b.top) &&
                       near(image->dest.width, w) && near(image->dest.height, h);
              };
            } else if constexpr (std::is_same_v<T, report::LabelDesign>) {
              const std::string caption = f.danfe.report().label(d.name).caption();
              const report::FaceMetrics face = metrics.Measure(d.font);
              const std::vector<report::TextLine> lines =
                  report::LayoutText(caption, face, d.box.width,
                                     d.auto_size ? report::Wrap::kNone : report::Wrap::kWordWrap);
              if (lines.empty() || lines[0].bytes.empty()) return;  // prints nothing
              const report::TextLine line = lines[0];
              Tenths x = b.left;
              if (d.alignment == report::Align::kRight) x = b.right() - line.width;
              if (d.alignment == report::Align::kCenter) x = b.left + (b.width - line.width) / 2;
              const Tenths baseline = b.top + face.ascent;
              if (!d.transparent) {
                report::Box fill = b;
                if (d.auto_size) {
                  fill.left = x;
                  fill.width = line.width;
                  fill.height = std::max(b.height, face.pitch());
                }
                backdrop = [fill, near](const report::PageItem& item) {
                  const auto* r = std::get_if<report::FillRect>(&item);
                  return r && r->color == report::kWhite && near(r->box.left, fill.left) &&
                         near(r->box.top, fill.top) && near(r->box.width, fill.width) &&
                         near(r->box.height, fill.height);
                };
              }
              match = [line, x, baseline, &d, near](const report::PageItem& item) {
                const auto* t = std::get_if<report::TextRun>(&item);
                return t && t->bytes == line.bytes && t->font == d.font && near(t->x, x) &&
                       near(t->baseline, baseline);
              };
            }
          },
          element);
      if (!match) continue;
      std::size_t i = next;
      if (backdrop) {
        while (i < items.size() && !backdrop(items[i])) ++i;
        ASSERT_LT(i, items.size()) << band.name << ": no white box under " << name << "\n"
                                   << doc.pages[0].Dump();
      }
      while (i < items.size() && !match(items[i])) ++i;
      ASSERT_LT(i, items.size()) << band.name << ": " << name << " not found in drawing order\n"
                                 << doc.pages[0].Dump();
      next = i + 1;
      ++checked;
    }
  }
  // Every shape, the barcode, and every label with a text.
  EXPECT_GT(checked, 150);
}

TEST(HeadTest, BarcodeShowsAtNaturalSizeCutToItsBox) {
  Filled f(Fixture());
  const report::Document doc = f.danfe.report().Run();
  const report::ImageItem* barcode = nullptr;
  for (const report::PageItem& item : doc.pages.at(0).items()) {
    if (const auto* image = std::get_if<report::ImageItem>(&item)) barcode = image;
  }
  ASSERT_NE(barcode, nullptr);
  EXPECT_EQ(barcode->clip, report::MmBox(kLeft + 121.7, kEmitterTop + 4.2, 76.2, 17.5));
  EXPECT_NEAR(barcode->dest.width.mm(), 478 * 25.4 / 96, 1e-9);
  EXPECT_NEAR(barcode->dest.height.mm(), 92 * 25.4 / 96, 1e-9);
  ASSERT_NE(barcode->picture.mono(), nullptr);
  // The fixture's key is present and empty.
  EXPECT_EQ(*barcode->picture.mono(), MakeAccessKeyBarcode(""));
}

// The caption a label gets from a data file.
std::string Fill(const std::string& ini, std::string_view label) {
  Filled f(invoice::IniFile::Parse(ini));
  return f.Caption(label);
}

TEST(HeadTest, EmitterAddress) {
  const std::string place = "[enderEmit]\nxLgr=RUA A\nxBairro=CENTRO\nxMun=PORTO ALEGRE\nUF=RS\n";
  struct Case {
    std::string lines;
    std::string address;
  };
  const Case cases[] = {
      {"nro=100\nCEP=90000000\n", "RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: 90000-000"},
      {"CEP=90000000\n", "RUA A, S/N CENTRO - PORTO ALEGRE - RS - Cep: 90000-000"},
      {"nro=0\nCEP=90000000\n", "RUA A, S/N CENTRO - PORTO ALEGRE - RS - Cep: 90000-000"},
      {"nro=\nCEP=90000000\n", "RUA A,  CENTRO - PORTO ALEGRE - RS - Cep: 90000-000"},
      {"nro=100\n", "RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: -"},
      {"nro=100\nCEP=9000\n", "RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: 9000-"},
      {"nro=100\nxCpl=FUNDOS\nCEP=90000000\nfone=5133330000\n",
       "RUA A, 100 FUNDOS CENTRO - PORTO ALEGRE - RS - Cep: 90000-000 - Fone: 5133330000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fill(place + c.lines, "QRLEndereco_Emit"), c.address) << c.lines;
  }
}

// The address box holds three lines; what does not fit is not printed.
TEST(HeadTest, EmitterAddressShowsThreeLines) {
  std::string street;
  for (int i = 0; i < 120; ++i) street += "RUA" + std::to_string(i) + " ";  // seven lines
  Filled f(invoice::IniFile::Parse("[enderEmit]\nxLgr=" + street + "\n"));
  const report::Document doc = f.danfe.report().Run();
  std::vector<double> baselines;
  for (const report::PageItem& item : doc.pages.at(0).items()) {
    const auto* t = std::get_if<report::TextRun>(&item);
    if (t && t->bytes.starts_with("RUA")) baselines.push_back(t->baseline.mm());
  }
  ASSERT_EQ(baselines.size(), 3u);
  for (int line = 0; line < 3; ++line) {
    EXPECT_NEAR(baselines[line], kEmitterTop + 29.5 + 2.4 + 3.2 * line, 1e-9);
  }
}

TEST(HeadTest, RecipientAddress) {
  struct Case {
    std::string lines;
    std::string address;
  };
  const Case cases[] = {
      {"", "AV B, S/N"},
      {"nro=0\n", "AV B, S/N"},
      {"nro=\n", "AV B"},
      {"nro=12\n", "AV B, 12"},
      {"nro=12\nxCpl=SALA 3\n", "AV B, 12 SALA 3"},
      {"nro=\nxCpl=SALA 3\n", "AV B SALA 3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fill("[enderDest]\nxLgr=AV B\n" + c.lines, "QRLEndereco_Dest"), c.address) << c.lines;
  }
  // The recipient's CEP is shown as stored.
  EXPECT_EQ(Fill("[enderDest]\nCEP=90240000\n", "QRLCEP_Dest"), "90240000");
}

TEST(HeadTest, SingleValueRules) {
  struct Case {
    std::string ini;
    std::string label;
    std::string caption;
  };
  const Case cases[] = {
      {"", "QRLEntrada_Saida", "1"},
      {"[ide]\ntpNF=1\n", "QRLEntrada_Saida", "1"},
      {"[ide]\ntpNF=0\n", "QRLEntrada_Saida", "2"},
      {"[ide]\ntpNF=2\n", "QRLEntrada_Saida", "2"},
      {"[ide]\ntpNF=\n", "QRLEntrada_Saida", "2"},
      {"[ide]\ntpNF=01\n", "QRLEntrada_Saida", "2"},
      {"[transp]\nmodFrete=0\n", "QRLTipoFrete", "1"},
      {"[transp]\nmodFrete=1\n", "QRLTipoFrete", "2"},
      {"[transp]\nmodFrete=2\n", "QRLTipoFrete", ""},
      {"[transp]\nmodFrete=9\n", "QRLTipoFrete", ""},
      {"", "QRLTipoFrete", ""},
      {"", "QRLNumNota", "N\xBA. 000.000.000"},
      {"[ide]\nnNF=1234\n", "QRLNumNota2", "N\xBA. 000.001.234"},
      {"", "QRLSerie", "S\xC9RIE 000"},
      {"[ide]\nserie=12\n", "QRLSerie2", "S\xC9RIE 012"},
      {"", "QRLValorTotalCab", "Valor total da nota: "},
      {"[ICMSTot]\nvNF=1234.5\n", "QRLValorTotalCab", "Valor total da nota: 1.234,50"},
      {"[vol]\npesoB=12.345\n", "QRLPesoBruto", "12,34"},
      {"", "QRLabelRecebemosDe",
       "RECEBI(EMOS) DE () OS PRODUTOS CONSTANTES DA NOTA FISCAL INDICADA AO LADO:"},
      {"", "QRLChaveAcesso", "0" + std::string(53, ' ')},
      {"[chaveacesso]\nID=\n", "QRLChaveAcesso", std::string(54, ' ')},
      {"[ide]\ndEmi=2013-01-02T10:00:00-02:00\n", "QRLDataEmissao", "02/01/2013"},
      {"", "QRLDataEntrada", "//"},
      {"[ide]\ndHoraSaida=14:30\n", "QRLHoraSaida", "14:30"},
      {"[transporta]\nCNPJ=12345678900\n", "QRLCNPJCPF_Transp", "12345678900"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fill(c.ini, c.label), c.caption) << c.label << " from:\n" << c.ini;
  }
}

TEST(HeadTest, RecipientNameAndRegistration) {
  struct Case {
    std::string ini;
    std::string stub;       // QRLRazao_Dest
    std::string recipient;  // QRLRazao_Dest2
    std::string number;     // QRLCNPJCPF_Dest
  };
  const std::string names = "[dest]\nxCod=C1\nxNome=LOJA\n";
  const Case cases[] = {
      {names + "CNPJ=98765432000110\nCPF=12345678900\n", "SEM VALOR FISCAL", "SEM VALOR FISCAL",
       "98.765.432/0001-10"},
      {names + "CPF=12345678900\n", "SEM VALOR FISCAL", "SEM VALOR FISCAL", "123.456.789-00"},
      {names + "CNPJ=\nCPF=12345678900\n", "SEM VALOR FISCAL", "SEM VALOR FISCAL",
       "123.456.789-00"},
      {names, "SEM VALOR FISCAL", "SEM VALOR FISCAL", ""},
      // Never printed, since only invoices without protocol are: the names
      // as the file gives them.
      {names + "[ProtocoloRecebimento]\nnProt=135130000000001\n", "C1 - LOJA", "LOJA", ""},
  };
  for (const Case& c : cases) {
    Filled f(invoice::IniFile::Parse(c.ini));
    EXPECT_EQ(f.Caption("QRLRazao_Dest"), c.stub) << c.ini;
    EXPECT_EQ(f.Caption("QRLRazao_Dest2"), c.recipient) << c.ini;
    EXPECT_EQ(f.Caption("QRLCNPJCPF_Dest"), c.number) << c.ini;
  }
}

TEST(HeadTest, Installments) {
  const std::string full =
      "[dup=1]\nnDup=001\ndVenc=2013-01-10\nvDup=100.00\n"
      "[dup=2]\nnDup=002\ndVenc=2013-02-10\nvDup=100.00\n";
  struct Case {
    std::string ini;
    std::string text;
  };
  const Case cases[] = {
      {full, ""},
      {"[DadosNota]\nnum_parcelas=0\n" + full, ""},
      {"[DadosNota]\nnum_parcelas=-1\n" + full, ""},
      {"[DadosNota]\nnum_parcelas=2.0\n" + full, ""},
      {"[DadosNota]\nnum_parcelas=1\n" + full, "001 - 10/01/2013 - 100,00"},
      {"[DadosNota]\nnum_parcelas=2\n" + full,
       "001 - 10/01/2013 - 100,00 | 002 - 10/02/2013 - 100,00"},
      {"[DadosNota]\nnum_parcelas=0x2\n" + full,
       "001 - 10/01/2013 - 100,00 | 002 - 10/02/2013 - 100,00"},
      // The first shows its date and value only when it has both.
      {"[DadosNota]\nnum_parcelas=1\n[dup=1]\nnDup=001\nvDup=100.00\n", "001"},
      {"[DadosNota]\nnum_parcelas=1\n[dup=1]\nnDup=001\ndVenc=2013-01-10\n", "001"},
      // Later ones always show both, empty or not.
      {"[DadosNota]\nnum_parcelas=2\n[dup=1]\nnDup=001\n[dup=2]\nnDup=002\n", "001 | 002 - // - "},
      {"[DadosNota]\nnum_parcelas=3\n" + full,
       "001 - 10/01/2013 - 100,00 | 002 - 10/02/2013 - 100,00 |  - // - "},
      {"[DadosNota]\nnum_parcelas=2\n[dup=2]\nnDup=002\ndVenc=2013-02-10\nvDup=5\n",
       " | 002 - 10/02/2013 - 5,00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fill(c.ini, "QRLFatura"), c.text) << c.ini;
  }
}

// A count far beyond the sections present composes no more than the box can
// ever show; sections whose name only looks like an installment's are no
// installments.
TEST(HeadTest, HostileInstallmentCount) {
  const std::string text = Fill(
      "[DadosNota]\nnum_parcelas=2147483647\n[dup=1]\nnDup=001\n[dup=02]\nvDup=x\n"
      "[dup=3000000000]\nvDup=x\n[dup=2147483648]\nvDup=x\n",
      "QRLFatura");
  EXPECT_EQ(text.substr(0, 24), "001 |  - // -  |  - // -");
  EXPECT_LT(text.size(), 20000u);
}

TEST(HeadTest, BadValuesStopTheFill) {
  struct Case {
    std::string ini;
    std::string message;
  };
  const Case cases[] = {
      {"[ide]\nserie=\n", "'' is not a valid integer value"},
      {"[ide]\nserie=1a\n", "'1a' is not a valid integer value"},
      {"[ICMSTot]\nvBC=1,234.56\n", "'1,234,56' is not a valid floating point value"},
      {"[DadosNota]\nnum_parcelas=1\n[dup=1]\nnDup=1\ndVenc=2013-01-10\nvDup=abc\n",
       "'abc' is not a valid floating point value"},
      // Far beyond what the installments box shows, a value still counts.
      {"[DadosNota]\nnum_parcelas=2147483647\n[dup=1]\nnDup=1\n[DUP=2000000000]\nvDup=x\n"
       "[dup=2000000001]\nvDup=y\n",
       "'x' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    FakeDesktop desktop;
    Danfe danfe(std::make_shared<report::FixedFontMetrics>(), desktop);
    const invoice::IniFile data = invoice::IniFile::Parse(c.ini);
    try {
      danfe.Fill(data);
      ADD_FAILURE() << "no failure for\n" << c.ini;
    } catch (const invoice::Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

// The sheet label counts the pages of each pass against the run's number of
// sheets; the recipient block prints on the first sheet only.
TEST(HeadTest, SheetLabelAndFirstSheetBlock) {
  std::string ini = "[DadosNota]\nnum_itens_na_nota=85\n";
  for (int i = 1; i <= 85; ++i) {
    ini += "[det nItem=" + std::to_string(i) + "]\ncProd=" + std::to_string(i) + "\nvUnCom=1\n";
  }
  Filled f(invoice::IniFile::Parse(ini), 3);
  for (int pass = 0; pass < 2; ++pass) {
    const report::Document doc = f.danfe.report().Run();
    ASSERT_EQ(doc.pages.size(), 3u);
    for (int p = 0; p < 3; ++p) {
      const report::Page& page = doc.pages[p];
      const std::string sheet = "FL " + std::to_string(p + 1) + "/3";
      ASSERT_EQ(Texts(page, sheet).size(), 1u) << sheet;
      const double top = p == 0 ? kEmitterTop : 6.0;
      EXPECT_NEAR(Texts(page, sheet)[0]->baseline.mm(), top + 31.8 + 3.0, 1e-9);
      EXPECT_EQ(Texts(page, "DESTINAT\xC1RIO / REMETENTE").size(), p == 0 ? 1u : 0u);
      EXPECT_EQ(Texts(page, "SEM VALOR FISCAL").size(), p == 0 ? 2u : 0u);
      EXPECT_EQ(Texts(page, "DATA DO RECEBIMENTO").size(), p == 0 ? 1u : 0u);
    }
  }
}

// A temporary program folder, removed at the end of the test.
struct ProgramFolder {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("danfe-head-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  ProgramFolder() { std::filesystem::create_directories(path); }
  ~ProgramFolder() { std::filesystem::remove_all(path); }
  void Touch(const std::string& name) { std::ofstream(path / name) << "picture bytes"; }
};

report::Picture SmallPicture() {
  return report::Picture(report::RgbaImage{.width = 4, .height = 2, .pixels = {8, 0xff000000}});
}

TEST(LogoTest, MissingFileIsNoError) {
  ProgramFolder folder;
  for (const std::string names : {"[DadosNota]\nNomeLogoDanfe=LOGO.JPG\n", "", "[DadosNota]\n"}) {
    Filled f(invoice::IniFile::Parse(names));
    f.desktop.folder = folder.path;
    f.desktop.picture = SmallPicture();
    f.danfe.report().Run();
    EXPECT_EQ(f.desktop.logo_errors, 0);
    EXPECT_TRUE(f.desktop.loaded.empty()) << names;
    EXPECT_TRUE(f.danfe.report().image("QRImageLogoEmp").picture().empty());
    EXPECT_TRUE(f.danfe.report().element("QRLRazao_Emit2").enabled());
    EXPECT_TRUE(f.danfe.report().element("QRLabelFantisiaEmit2").enabled());
  }
}

TEST(LogoTest, UnreadableFileIsReportedOncePerPass) {
  ProgramFolder folder;
  folder.Touch("logo.png");
  Filled f(invoice::IniFile::Parse("[DadosNota]\nNomeLogoDanfe=logo.png\n[emit]\nxNome=EMPRESA\n"));
  f.desktop.folder = folder.path;
  const report::Document first = f.danfe.report().Run();
  EXPECT_EQ(f.desktop.logo_errors, 1);
  f.danfe.report().Run();
  EXPECT_EQ(f.desktop.logo_errors, 2);
  EXPECT_TRUE(f.danfe.report().image("QRImageLogoEmp").picture().empty());
  EXPECT_TRUE(f.danfe.report().element("QRLRazao_Emit2").enabled());
  EXPECT_TRUE(f.danfe.report().element("QRLabelFantisiaEmit2").enabled());
  // The pass goes on: the sheet is complete, with the emitter's name.
  ASSERT_EQ(first.pages.size(), 1u);
  EXPECT_EQ(Texts(first.pages[0], "EMPRESA").size(), 1u);
}

TEST(LogoTest, LoadedLogoIsStretchedOverItsBox) {
  ProgramFolder folder;
  folder.Touch("LOGO.JPG");
  // The data file's name is Windows-1252; the file on disk is named in UTF-8.
  folder.Touch("log\xC3\xB3.jpg");
  const std::pair<std::string, std::string> names[] = {{"LOGO.JPG", "LOGO.JPG"},
                                                       {"log\xF3.jpg", "log\xC3\xB3.jpg"}};
  for (const auto& [name, on_disk] : names) {
    Filled f(invoice::IniFile::Parse("[DadosNota]\nNomeLogoDanfe=" + name +
                                     "\n[emit]\nxNome=EMPRESA\n"));
    f.desktop.folder = folder.path;
    f.desktop.picture = SmallPicture();
    const report::Document doc = f.danfe.report().Run();
    EXPECT_EQ(f.desktop.logo_errors, 0);
    ASSERT_EQ(f.desktop.loaded.size(), 1u) << name;
    EXPECT_TRUE(std::filesystem::equivalent(f.desktop.loaded[0], folder.path / on_disk));
    EXPECT_EQ(f.danfe.report().image("QRImageLogoEmp").picture().Describe(), "rgba 4x2");
    EXPECT_FALSE(f.danfe.report().element("QRLRazao_Emit2").enabled());
    EXPECT_FALSE(f.danfe.report().element("QRLabelFantisiaEmit2").enabled());
    const report::Box box = report::MmBox(kLeft + 0.6, kEmitterTop + 0.4, 35.9, 22.5);
    bool drawn = false;
    for (const report::PageItem& item : doc.pages.at(0).items()) {
      const auto* image = std::get_if<report::ImageItem>(&item);
      if (image && image->clip == box && image->dest == box) drawn = true;
    }
    EXPECT_TRUE(drawn);
    // The emitter's name still prints in its own box.
    EXPECT_EQ(Texts(doc.pages[0], "EMPRESA").size(), 1u);
    // Every pass loads it again.
    f.danfe.report().Run();
    EXPECT_EQ(f.desktop.loaded.size(), 2u);
  }
}

}  // namespace
}  // namespace danfe

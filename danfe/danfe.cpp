#include "danfe/danfe.h"

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "danfe/barcode.h"
#include "danfe/layout.h"
#include "invoice/cp1252.h"
#include "invoice/format.h"
#include "invoice/ini_reader.h"

namespace danfe {

namespace {

// What a sheet shows in place of the recipient's name where the invoice has no authorisation
// protocol.
constexpr std::string_view kWithoutFiscalValue = "SEM VALOR FISCAL";

// The foot of every sheet names the management system that issued the invoice.
constexpr std::string_view kSystemLine =
    "Gerada pelo sistema KOLVE - www.kolve.com.br - (54) - 3045-7700";

// The first `count` characters of `text` from position `first` (from 0),
// fewer when the text is shorter.
std::string Substring(const std::string& text, std::size_t first, std::size_t count) {
  return first < text.size() ? text.substr(first, count) : std::string();
}

}  // namespace

Danfe::Danfe(std::shared_ptr<const report::FontMetrics> metrics, Services& services)
    : services_(services),
      report_(std::make_unique<report::Report>(DanfeReportDesign(), std::move(metrics))) {
  BuildReport();
}

void Danfe::BuildReport() {
  for (const report::BandDesign& band : DanfeBands()) report_->AddBand(band);
  report_->set_data_source(&source_);
  report_->before_print = [this](report::Report&, bool& print) { QuickRepDanfeBeforePrint(print); };
  report_->band("QRBandDadosEmitenteChaveAcesso").before_print =
      [this](report::Band&, bool& print) { QRBandDadosEmitenteChaveAcessoBeforePrint(print); };
  report_->band("ChildBandDadosDestRemetFatImpostos").before_print =
      [this](report::Band&, bool& print) { ChildBandDadosDestRemetFatImpostosBeforePrint(print); };
}

const invoice::IniFile& Danfe::data() const {
  static const invoice::IniFile kEmpty;
  return data_file_ ? *data_file_ : kEmpty;
}

std::string Danfe::Read(std::string_view section, std::string_view key,
                        std::string_view fallback) const {
  return data().ReadText(section, key, fallback);
}

void Danfe::Set(std::string_view label, std::string caption) {
  report_->label(label).SetCaption(std::move(caption));
}

void Danfe::Fill(const invoice::IniFile& data_file) {
  data_file_ = &data_file;
  ClearDynamicLabels();
  FillHeaderFields();
  FillItemTable();
  FillFooterFields();
}

void Danfe::ClearDynamicLabels() { report_->ClearDynamicLabels(); }

// Emitters outside the normal tax regime show the CSOSN in the CST column.
void Danfe::FillItemTable() {
  invoice::FillItemTable(data(), items_, [this] { Set("QRLabel67", "CSOSN"); });
}

// The same footer closes every sheet. The additional data always ends with
// the protocol line, which starts a line of its own.
void Danfe::FillFooterFields() {
  Set("QRLInscMunic_Dest", Read("emit", "IM"));
  Set("QRLValorTotalServicos", invoice::FormatMoney(Read("ISSQNtot", "vServ")));
  Set("QRLBaseCalcISSQN", invoice::FormatMoney(Read("ISSQNtot", "vBC")));
  Set("QRLValorISSQN", invoice::FormatMoney(Read("ISSQNtot", "vISS")));
  Set("QRLDadosAdic",
      Read("infAdic", "infCpl") + "\r\nProtocolo: " + Read("ProtocoloRecebimento", "nProt"));
  Set("QRLabelKolve", std::string(kSystemLine));
}

void Danfe::FillHeaderFields() {
  ApplyItemGridVariant();
  FillReceiptStubHead();
  FillNumberAndSeries();
  FillAccessKey();
  Set("QRLabelDadosNFe", Read("ProtocoloRecebimento", "nProt"));
  FillEntryExitIndicator();
  ApplyEmitterBlockVariant();
  FillEmitterNames();
  ApplyItemHeadingVariant();
  FillEmitterAddress();
  ApplyEmitterAddressVariant();
  FillEmitterRegistrations();

  Set("QRLDataEmissao", invoice::FormatIsoDate(Read("ide", "dEmi")));
  FillExitDateAndHour();
  FillRecipient();
  FillRecipientAddress();
  FillInstallments();
  FillTaxTotals();
  Set("QRLValorTotalCab", "Valor total da nota: " + invoice::FormatMoney(Read("ICMSTot", "vNF")));
  FillCarrier();
  FillVolumes();
}

void Danfe::FillReceiptStubHead() {
  Set("QRLabelRecebemosDe", "RECEBI(EMOS) DE (" + Read("emit", "xNome") +
                                ") OS PRODUTOS CONSTANTES DA NOTA FISCAL INDICADA AO LADO:");
  Set("QRLDataNumeroPedido", Read("infAdic", "infDataNumPedido"));
}

// The stub's number and series are copied into the DANFE box of every sheet.
void Danfe::FillNumberAndSeries() {
  Set("QRLNumNota", invoice::FormatInvoiceNumber(data().ReadInt("ide", "nNF", 0)));
  Set("QRLNumNota2", report_->label("QRLNumNota").caption());
  Set("QRLSerie", invoice::FormatSeries(Read("ide", "serie", "0")));
  Set("QRLSerie2", report_->label("QRLSerie").caption());
}

void Danfe::FillAccessKey() {
  const std::string key = Read("chaveacesso", "ID", "0");
  report_->image("QRICodBarras").set_picture(report::Picture(MakeAccessKeyBarcode(key)));
  Set("QRLChaveAcesso", invoice::ApplyMask(invoice::kAccessKeyMask, key));
}

void Danfe::FillEntryExitIndicator() {
  Set("QRLEntrada_Saida", Read("ide", "tpNF", "1") == "1" ? "1" : "2");
}

void Danfe::FillEmitterAddress() {
  const std::string number = Read("enderEmit", "nro", "0");
  std::string address = Read("enderEmit", "xLgr") + ", " + (number == "0" ? "S/N" : number);
  const std::string complement = Read("enderEmit", "xCpl");
  if (!complement.empty()) address += " " + complement;
  const std::string cep = Read("enderEmit", "CEP");
  address += " " + Read("enderEmit", "xBairro") + " - " + Read("enderEmit", "xMun") + " - " +
             Read("enderEmit", "UF") + " - Cep: " + Substring(cep, 0, 5) + "-" +
             Substring(cep, 5, 3);
  const std::string phone = Read("enderEmit", "fone");
  if (!phone.empty()) address += " - Fone: " + phone;
  Set("QRLEndereco_Emit", address);
}

void Danfe::FillEmitterRegistrations() {
  Set("QRLNatOperacao", Read("ide", "natOp"));
  Set("QRLInscEstadual_Emit", Read("emit", "IE"));
  Set("QRLInscEstadualSubst_Emit", Read("emit", "IEST"));
  Set("QRLCNPJ_Emit", invoice::ApplyMask(invoice::kCnpjMask, Read("emit", "CNPJ")));
}

void Danfe::FillExitDateAndHour() {
  if (!ShowsExitDateAndHour()) return;
  Set("QRLDataEntrada", invoice::FormatIsoDate(Read("ide", "dSaiEnt")));
  Set("QRLHoraSaida", Read("ide", "dHoraSaida"));
}

// An invoice without authorisation protocol names no recipient: both the
// stub and the recipient block say so instead.
void Danfe::FillRecipient() {
  Set("QRLRazao_Dest", Read("dest", "xCod") + " - " + Read("dest", "xNome"));
  Set("QRLRazao_Dest2", Read("dest", "xNome"));
  if (Read("ProtocoloRecebimento", "nProt").empty()) {
    Set("QRLRazao_Dest", std::string(kWithoutFiscalValue));
    Set("QRLRazao_Dest2", std::string(kWithoutFiscalValue));
  }
  // A CPF has its own eleven-digit mask; under the CNPJ's it would be split
  // at the wrong places.
  const std::string cnpj = Read("dest", "CNPJ");
  if (!cnpj.empty()) {
    Set("QRLCNPJCPF_Dest", invoice::ApplyMask(invoice::kCnpjMask, cnpj));
  } else if (const std::string cpf = Read("dest", "CPF"); !cpf.empty()) {
    Set("QRLCNPJCPF_Dest", invoice::ApplyMask(invoice::kCpfMask, cpf));
  }
}

// Unlike the emitter's, the recipient's CEP is shown as stored.
void Danfe::FillRecipientAddress() {
  std::string address = Read("enderDest", "xLgr");
  const std::string number = Read("enderDest", "nro", "0");
  if (!number.empty()) address += ", " + (number == "0" ? std::string("S/N") : number);
  const std::string complement = Read("enderDest", "xCpl");
  if (!complement.empty()) address += " " + complement;
  Set("QRLEndereco_Dest", address);
  Set("QRLBairro_Dest", Read("enderDest", "xBairro"));
  Set("QRLCEP_Dest", Read("enderDest", "CEP"));
  Set("QRLMunicipio_Dest", Read("enderDest", "xMun"));
  Set("QRLFoneFax_Dest", Read("enderDest", "fone"));
  Set("QRLUF_Dest", Read("enderDest", "UF"));
  Set("QRLInscEstadual_Dest", Read("dest", "IE"));
}

namespace {

// The FATURA box holds two lines of 197.4 mm at most, and every installment
// after the first adds at least " | ", " - ", "//" and " - " to its text, more
// than 5 mm of glyphs at 8 points: installments past this number can never
// reach the sheet. They are not composed, which bounds the text whatever
// num_parcelas says; only the sections the file really has among them are
// read, for a malformed value there fails the fill as it would in the text.
constexpr std::int64_t kShownInstallments = 1000;

// The N of a section named "dup=N", N in decimal without leading zeros; 0
// for any other name.
std::int64_t InstallmentNumber(std::string_view name) {
  if (name.size() < 5 || name.size() > 14) return 0;
  for (size_t i = 0; i < 4; ++i) {
    const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
    if (c != "dup="[i]) return 0;
  }
  if (name[4] == '0') return 0;
  std::int64_t n = 0;
  for (char c : name.substr(4)) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

// "001 - 10/01/2013 - 100,00 | 002 - ...": the first installment shows its
// date and value only when it has both, the later ones always.
void Danfe::FillInstallments() {
  const std::int64_t count = data().ReadInt("DadosNota", "num_parcelas", 0);
  const std::int64_t composed = std::min(count, kShownInstallments);
  std::string text;
  for (std::int64_t i = 1; i <= composed; ++i) {
    const std::string section = "dup=" + std::to_string(i);
    const std::string number = Read(section, "nDup");
    const std::string due = Read(section, "dVenc");
    const std::string value = Read(section, "vDup");
    if (i == 1) {
      text = number;
      if (!due.empty() && !value.empty()) {
        text += " - " + invoice::FormatIsoDate(due) + " - " + invoice::FormatMoney(value);
      }
    } else {
      text += " | " + number + " - " + invoice::FormatIsoDate(due) + " - " +
              invoice::FormatMoney(value);
    }
  }
  if (count > composed) {
    std::vector<std::int64_t> later;
    for (std::string_view name : data().SectionNames()) {
      const std::int64_t n = InstallmentNumber(name);
      if (n > composed && n <= count) later.push_back(n);
    }
    std::sort(later.begin(), later.end());
    for (std::int64_t n : later) invoice::FormatMoney(Read("dup=" + std::to_string(n), "vDup"));
  }
  Set("QRLFatura", text);
}

void Danfe::FillTaxTotals() {
  static constexpr std::pair<std::string_view, std::string_view> kTotals[] = {
      {"vBC", "QRLBaseCalcICMS"},           {"vICMS", "QRLValorTotalICMS"},
      {"vBCST", "QRLBaseCalcICMSSubst"},    {"vST", "QRLValorICMSSubst"},
      {"vProd", "QRLValorTotalProd"},       {"vFrete", "QRLValorFrete"},
      {"vSeg", "QRLValorSeguro"},           {"vDesc", "QRLValorDesconto"},
      {"vOutro", "QRLValorOutrasDespesas"}, {"vIPI", "QRLValorTotalIPI"},
      {"vNF", "QRLValorTotalNota"},
  };
  for (const auto& [key, label] : kTotals) {
    Set(label, invoice::FormatMoney(Read("ICMSTot", key)));
  }
}

// The carrier's CNPJ is shown as stored, without a mask.
void Danfe::FillCarrier() {
  Set("QRLRazao_Transp", Read("transporta", "xNome"));
  Set("QRLTipoFrete", "");
  const std::string freight = Read("transp", "modFrete");
  if (freight == "0") {
    Set("QRLTipoFrete", "1");
  } else if (freight == "1") {
    Set("QRLTipoFrete", "2");
  }
  Set("QRLCodAntt", Read("veicTransp", "RNTC"));
  Set("QRLPlacaVeic", Read("veicTransp", "placa"));
  Set("QRLUFPlaca_Transp", Read("veicTransp", "UF"));
  Set("QRLCNPJCPF_Transp", Read("transporta", "CNPJ"));
  Set("QRLEnder_Transp", Read("transporta", "xEnder"));
  Set("QRLMunicipio_Trans", Read("transporta", "xMun"));
  Set("QRLUF_Transp", Read("transporta", "UF"));
  Set("QRLInscEstad_Transp", Read("transporta", "IE"));
}

void Danfe::FillVolumes() {
  Set("QRLQtd_Transp", Read("vol", "qVol"));
  Set("QRLEspecie", Read("vol", "esp"));
  Set("QRLMarca", Read("vol", "marca"));
  Set("QRLNumeracao_Transp", Read("vol", "nVol"));
  Set("QRLPesoBruto", invoice::FormatMoney(Read("vol", "pesoB")));
  Set("QRLPesoLiquido", invoice::FormatMoney(Read("vol", "pesoL")));
}

// The logo is loaded again at the start of every pass. A missing file is no
// error; a file that does not load is reported once per pass, and the sheets
// come out without logo.
void Danfe::QuickRepDanfeBeforePrint(bool&) {
  // Names in the data file are Windows-1252; the file system's are UTF-8.
  const std::string name = invoice::Cp1252ToUtf8(Read("DadosNota", "NomeLogoDanfe"));
  const std::filesystem::path path(services_.ProgramFolder().string() + "/" + name);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  try {
    report_->image("QRImageLogoEmp").set_picture(services_.LoadPicture(path));
    report_->element("QRLRazao_Emit2").set_enabled(false);
    report_->element("QRLabelFantisiaEmit2").set_enabled(false);
    ApplyLogoVariant();
  } catch (const std::exception&) {
    services_.ShowLogoError();
  }
}

void Danfe::QRBandDadosEmitenteChaveAcessoBeforePrint(bool&) {
  Set("QRLNumPagina",
      "FL " + std::to_string(report_->page_number()) + "/" + std::to_string(total_sheets_));
}

// The recipient, taxes and transport block belongs to the first sheet only.
void Danfe::ChildBandDadosDestRemetFatImpostosBeforePrint(bool& print) {
  print = report_->page_number() == 1;
}

}  // namespace danfe

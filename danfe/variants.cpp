// The layouts that some emitters and the [Danfe] options choose instead of
// the default one. Every value is compared whole and with letter case: an
// option is on only when it is exactly "S", and a CNPJ matches only as the
// fourteen digits without punctuation.

#include <string_view>

#include "danfe/danfe.h"
#include "invoice/ini_reader.h"

namespace danfe {

namespace {

using report::Px;

// The emitter that prints the unit value with taxes in its own column.
constexpr std::string_view kFinalPriceEmitter = "VALMORE";
// The emitter whose fantasy name is part of its logo: its name box is taller,
// and its address moves up and ends with its web address.
constexpr std::string_view kSiteEmitter = "TREVANEQUIPAMENTOS";
constexpr std::string_view kSiteEmitterAddress = "www.trevanequipamentos.com.br";
// The emitter whose sheets never show the exit date and hour.
constexpr std::string_view kNoExitDateCnpj = "48273915000162";
// The emitter with a wide logo across the top of the emitter block.
constexpr std::string_view kWideLogoCnpj = "27364819000145";

constexpr const char* kFinalPriceElements[] = {"QRShapePrecoFinal", "QRLabelPTotal",
                                               "QRShapePrecoFinal2", "QRDBTextPTotal"};

bool OptionOn(const invoice::IniFile& data, std::string_view option, std::string_view fallback) {
  return data.ReadText("Danfe", option, fallback) == "S";
}

bool IsSiteEmitterWithFantasyName(const invoice::IniFile& data) {
  return OptionOn(data, "Fantasia", "S") && data.ReadText("emit", "xFant", "") == kSiteEmitter;
}

}  // namespace

// The final-price column takes the right end of the description column.
void Danfe::ApplyItemGridVariant() {
  const bool final_price = Read("emit", "xFant") == kFinalPriceEmitter;
  report_->element("QRDBTextNomeProduto").set_width(final_price ? Px(294) : Px(348));
  for (const char* name : kFinalPriceElements) report_->element(name).set_enabled(final_price);
}

void Danfe::ApplyEmitterBlockVariant() {
  if (!IsSiteEmitterWithFantasyName(data())) return;
  report_->element("QRLRazao_Emit").set_height(Px(57));
  report_->element("QRLEndereco_Emit").set_top(Px(59));
}

void Danfe::FillEmitterNames() {
  if (OptionOn(data(), "Razao", "S")) Set("QRLRazao_Emit", Read("emit", "xNome"));
  if (OptionOn(data(), "Fantasia", "S")) {
    Set("QRLabelFantisiaEmit", Read("emit", "xFant"));
    if (Read("emit", "xFant") == kSiteEmitter) Set("QRLabelFantisiaEmit", "");
  }
}

// The preview hides the headings under the first row: the band shrinks to
// three pixels while its elements keep their places.
void Danfe::ApplyItemHeadingVariant() {
  if (Read("Danfe", "Preview") == "S") report_->band("QRChildBandDescricaoItens").set_height(Px(3));
}

void Danfe::ApplyEmitterAddressVariant() {
  if (!IsSiteEmitterWithFantasyName(data())) return;
  report_->element("QRLEndereco_Emit").set_height(Px(74));
  Set("QRLEndereco_Emit", report_->label("QRLEndereco_Emit").caption() +
                              "\r\nsite: " + std::string(kSiteEmitterAddress));
}

bool Danfe::ShowsExitDateAndHour() {
  return Read("emit", "CNPJ") != kNoExitDateCnpj && !OptionOn(data(), "OcultarSaida", "N");
}

// Runs after the logo has loaded, once the second name lines are disabled.
// The wide logo leaves no room beside it: both names move under it, as plain
// left-aligned lines.
void Danfe::ApplyLogoVariant() {
  if (Read("emit", "CNPJ") != kWideLogoCnpj) return;
  report::Element& logo = report_->element("QRImageLogoEmp");
  logo.set_width(Px(416));
  logo.set_height(Px(112));
  report_->element("QRLRazao_Emit2").set_enabled(true);
  report_->element("QRLabelFantisiaEmit2").set_enabled(true);
  Set("QRLRazao_Emit2", report_->label("QRLRazao_Emit").caption());
  Set("QRLabelFantisiaEmit2", report_->label("QRLabelFantisiaEmit").caption());
  report_->element("QRLRazao_Emit").set_enabled(false);
  report_->element("QRLabelFantisiaEmit").set_enabled(false);
}

}  // namespace danfe

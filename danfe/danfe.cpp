#include "danfe/danfe.h"

#include "danfe/layout.h"
#include "invoice/ini_reader.h"

namespace danfe {

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

void Danfe::Fill(const invoice::IniFile& data_file) {
  data_file_ = &data_file;
  ClearDynamicLabels();
  FillHeaderFields();
  FillItemTable();
  FillFooterFields();
}

void Danfe::ClearDynamicLabels() { report_->ClearDynamicLabels(); }

void Danfe::FillHeaderFields() {}

void Danfe::FillItemTable() {
  invoice::FillItemTable(data(), items_, [] {});
}

void Danfe::FillFooterFields() {}

void Danfe::QuickRepDanfeBeforePrint(bool&) {}

void Danfe::QRBandDadosEmitenteChaveAcessoBeforePrint(bool&) {}

// The recipient, taxes and transport block belongs to the first sheet only.
void Danfe::ChildBandDadosDestRemetFatImpostosBeforePrint(bool& print) {
  if (report_->page_number() > 1) print = false;
}

}  // namespace danfe

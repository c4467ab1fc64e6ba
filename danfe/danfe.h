#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "invoice/item_table.h"
#include "report/font.h"
#include "report/picture.h"
#include "report/report.h"

namespace invoice {
class IniFile;
}

namespace danfe {

// What the DANFE needs from the desktop it runs on.
class Services {
 public:
  virtual ~Services() = default;
  // The folder of the running program, where the emitter's logo lies.
  virtual std::filesystem::path ProgramFolder() = 0;
  // Decodes a picture file in the format its extension names. Throws
  // std::exception when the file cannot be read in that format.
  virtual report::Picture LoadPicture(const std::filesystem::path& path) = 0;
  // Tells the user that the logo could not be loaded; the pass goes on.
  virtual void ShowLogoError() = 0;
};

// The item table seen as the report's rows.
class ItemSource : public report::DataSource {
 public:
  explicit ItemSource(const invoice::ItemTable& table) : table_(table) {}
  std::size_t RowCount() const override { return table_.size(); }
  int FieldIndex(std::string_view name) const override { return invoice::FindItemField(name); }
  std::string_view Text(std::size_t row, int field) const override {
    return table_.row(row).DisplayText(field);
  }

 private:
  const invoice::ItemTable& table_;
};

// The DANFE document: the report QuickRepDanfe with its bands, the item
// table ClientDataSetNF it prints, and the fill steps that put an invoice
// into it. The data file must outlive every report pass, since the report's
// callbacks read it.
class Danfe {
 public:
  Danfe(std::shared_ptr<const report::FontMetrics> metrics, Services& services);
  Danfe(const Danfe&) = delete;
  Danfe& operator=(const Danfe&) = delete;

  report::Report& report() { return *report_; }
  const invoice::ItemTable& items() const { return items_; }

  // The number of sheets the sheet label shows after its slash.
  int total_sheets() const { return total_sheets_; }
  void set_total_sheets(int sheets) { total_sheets_ = sheets; }

  // The fill steps, in the order a run makes them: ClearDynamicLabels,
  // FillHeaderFields, FillItemTable, FillFooterFields. Each throws on a value
  // that does not convert; what was filled before stays.
  void Fill(const invoice::IniFile& data_file);

  void ClearDynamicLabels();
  void FillHeaderFields();
  void FillItemTable();
  void FillFooterFields();

 private:
  void BuildReport();
  void QuickRepDanfeBeforePrint(bool& print);
  void QRBandDadosEmitenteChaveAcessoBeforePrint(bool& print);
  void ChildBandDadosDestRemetFatImpostosBeforePrint(bool& print);

  // The steps of FillHeaderFields, in the order it runs them.
  void FillReceiptStubHead();
  void FillNumberAndSeries();
  void FillAccessKey();
  void FillEntryExitIndicator();
  // The legal and the fantasy name; the options Razao and Fantasia act here.
  void FillEmitterNames();
  void FillEmitterAddress();
  void FillEmitterRegistrations();
  void FillRecipient();
  void FillExitDateAndHour();
  void FillRecipientAddress();
  void FillInstallments();
  void FillTaxTotals();
  void FillCarrier();
  void FillVolumes();

  // Where the layouts chosen by the emitter and the [Danfe] options change the
  // default one. Each runs at its moment of the fill or of a pass; the
  // default layout leaves everything as designed.
  // First step of the fill: the item grid's description and final-price
  // columns.
  void ApplyItemGridVariant();
  // Before the emitter's names are written: the geometry of the name box and
  // of the address.
  void ApplyEmitterBlockVariant();
  // After the emitter's names: the height of the item heading band.
  void ApplyItemHeadingVariant();
  // Right after the emitter's address is composed.
  void ApplyEmitterAddressVariant();
  // Whether the exit date and hour are printed.
  bool ShowsExitDateAndHour();
  // Once a logo has been loaded, in every pass.
  void ApplyLogoVariant();

  const invoice::IniFile& data() const;
  std::string Read(std::string_view section, std::string_view key,
                   std::string_view fallback = {}) const;
  void Set(std::string_view label, std::string caption);

  Services& services_;
  std::unique_ptr<report::Report> report_;
  invoice::ItemTable items_;
  ItemSource source_{items_};
  const invoice::IniFile* data_file_ = nullptr;
  int total_sheets_ = 0;
};

}  // namespace danfe

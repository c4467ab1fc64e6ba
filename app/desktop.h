#pragma once

#include <memory>

#include "app/output_step.h"
#include "app/run.h"
#include "danfe/danfe.h"

namespace invoice {
class IniFile;
}

namespace app {

// Messages and the main window on the real desktop, or on standard error
// without a display.
class DesktopUi : public Ui {
 public:
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void KeepMainWindowOpen() override;
};

// The emitter's logo from the program's folder, through the platform's
// picture readers.
class DesktopServices : public danfe::Services {
 public:
  std::filesystem::path ProgramFolder() override;
  report::Picture LoadPicture(const std::filesystem::path& path) override;
  void ShowLogoError() override;
};

// The output step's operations on the filled DANFE: every call that needs
// pages runs a new report pass.
class DesktopOutput : public ReportOutput {
 public:
  explicit DesktopOutput(danfe::Danfe& danfe) : danfe_(danfe) {}

  int Prepare() override;
  void Preview() override;
  void Print(const PrintSettings& settings) override;
  bool PrinterSetup(PrintSettings& settings, int pages) override;
  std::vector<std::string> PrinterNames() override;
  void WritePdfFile(const std::string& path, int first_page, int last_page) override;

 private:
  danfe::Danfe& danfe_;
};

// Builds the DANFE from the data file and outputs it.
void PrintDanfe(const invoice::IniFile& data_file, danfe::Services& services,
                std::shared_ptr<const report::FontMetrics> metrics);

}  // namespace app

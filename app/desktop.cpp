#include "app/desktop.h"

#include <unistd.h>

#include <climits>

#include "platform/desktop.h"
#include "platform/output.h"
#include "platform/pictures.h"
#include "platform/printing.h"

namespace app {

void DesktopUi::ShowMessage(const std::string& text) {
  platform::ShowMessage("Danfe", text, platform::MessageIcon::kNone);
}

void DesktopUi::ShowError(const std::string& text) {
  platform::ShowMessage("Danfe", text, platform::MessageIcon::kError);
}

void DesktopUi::KeepMainWindowOpen() { platform::ShowMainWindowUntilClosed(); }

std::filesystem::path DesktopServices::ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

report::Picture DesktopServices::LoadPicture(const std::filesystem::path& path) {
  return platform::LoadPicture(path);
}

void DesktopServices::ShowLogoError() {
  platform::ShowMessage("Erro", "Não foi possível carregar imagem, tipo inválido.",
                        platform::MessageIcon::kError);
}

int DesktopOutput::Prepare() { return static_cast<int>(danfe_.report().Run().pages.size()); }

void DesktopOutput::Preview() {
  const report::Document document = danfe_.report().Run();
  platform::RunPreview(
      document,
      [this](const platform::PrintRequest& request) {
        platform::PrintDocument(danfe_.report().Run(), request);
      },
      "Preview=S");
}

void DesktopOutput::Print(const PrintSettings& settings) {
  const std::vector<std::string> names = PrinterNames();
  platform::PrintRequest request{
      .printer =
          settings.printer_index >= 0 && settings.printer_index < static_cast<int>(names.size())
              ? names[settings.printer_index]
              : std::string(),
      .copies = settings.copies,
      .first_page = settings.first_page,
      .last_page = settings.last_page,
      .landscape = settings.landscape,
  };
  // A cancelled job is the user's choice, not a failure.
  platform::PrintDocument(danfe_.report().Run(), request);
}

bool DesktopOutput::PrinterSetup(PrintSettings& settings, int pages) {
  platform::PrintRequest request;
  if (!platform::RunPrintDialog(request, pages, "showSetup=S")) return false;
  settings.printer_index = FindPrinter(PrinterNames(), request.printer);
  settings.copies = request.copies;
  settings.landscape = request.landscape;
  settings.first_page = request.first_page;
  settings.last_page = request.last_page;
  return true;
}

std::vector<std::string> DesktopOutput::PrinterNames() { return platform::PrinterNames(); }

void DesktopOutput::WritePdfFile(const std::string& path, int first_page, int last_page) {
  report::Document document = danfe_.report().Run();
  std::erase_if(document.pages, [&](const report::Page& page) {
    return page.number() < first_page || page.number() > last_page;
  });
  platform::WritePdfFile(document, path);
}

void PrintDanfe(const invoice::IniFile& data_file, danfe::Services& services,
                std::shared_ptr<const report::FontMetrics> metrics) {
  danfe::Danfe danfe(std::move(metrics), services);
  danfe.Fill(data_file);
  DesktopOutput output(danfe);
  RunOutputStep(data_file, output, [&](int sheets) { danfe.set_total_sheets(sheets); });
}

}  // namespace app

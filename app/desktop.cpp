#include "app/desktop.h"

#include <unistd.h>

#include <climits>

#include "app/desktop_module.h"
#include "invoice/cp1252.h"
#include "platform/pdf.h"
#include "platform/session.h"

namespace app {

namespace {

// Without a display a message is a line on standard error, which needs no
// GUI library.
// A module that cannot be loaded must not hide the message it was to show.
void Show(const std::string& caption, const std::string& text, bool error) {
  if (platform::HasDisplay()) {
    try {
      Desktop().ShowMessage(caption, text, error);
      return;
    } catch (const std::exception& e) {
      platform::PrintMessageLine(caption, invoice::Cp1252ToUtf8(e.what()));
    }
  }
  platform::PrintMessageLine(caption, text);
}

}  // namespace

void DesktopUi::ShowMessage(const std::string& text) { Show("Danfe", text, false); }

void DesktopUi::ShowError(const std::string& text) { Show("Danfe", text, true); }

void DesktopUi::KeepMainWindowOpen() {
  if (!platform::HasDisplay()) return;
  try {
    Desktop().ShowMainWindowUntilClosed();
  } catch (const std::exception& e) {
    platform::PrintMessageLine("Danfe", invoice::Cp1252ToUtf8(e.what()));
  }
}

std::filesystem::path DesktopServices::ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

report::Picture DesktopServices::LoadPicture(const std::filesystem::path& path) {
  return Desktop().LoadPicture(path);
}

void DesktopServices::ShowLogoError() {
  Show("Erro", "Não foi possível carregar imagem, tipo inválido.", true);
}

int DesktopOutput::Prepare() { return static_cast<int>(danfe_.report().Run().pages.size()); }

void DesktopOutput::Preview() {
  const report::Document document = danfe_.report().Run();
  Desktop().RunPreview(
      document,
      [this](const platform::PrintRequest& request) {
        Desktop().PrintDocument(danfe_.report().Run(), request);
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
  Desktop().PrintDocument(danfe_.report().Run(), request);
}

bool DesktopOutput::PrinterSetup(PrintSettings& settings, int pages) {
  platform::PrintRequest request;
  if (!Desktop().RunPrintDialog(request, pages, "showSetup=S")) return false;
  settings.printer_index = FindPrinter(PrinterNames(), request.printer);
  // A printer that went away since the dialog's check must not turn into
  // the default one.
  if (settings.printer_index < 0 && !request.printer.empty()) {
    throw platform::PrintError(invoice::Utf8ToCp1252(
        "A impressora \"" + request.printer +
        "\" n\u00e3o est\u00e1 dispon\u00edvel; o DANFE n\u00e3o foi impresso"));
  }
  settings.copies = request.copies;
  settings.landscape = request.landscape;
  settings.first_page = request.first_page;
  settings.last_page = request.last_page;
  return true;
}

std::vector<std::string> DesktopOutput::PrinterNames() { return Desktop().PrinterNames(); }

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

#include "app/output_step.h"

#include "invoice/cp1252.h"
#include "invoice/ini_reader.h"

namespace app {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

int FindPrinter(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (SameIgnoringCase(names[i], name)) return static_cast<int>(i);
  return -1;
}

void RunOutputStep(const invoice::IniFile& data_file, ReportOutput& output,
                   const std::function<void(int)>& set_total_sheets) {
  auto option = [&](const char* key, const char* fallback) {
    return data_file.ReadText("Danfe", key, fallback);
  };
  // The sheet count is what the pass really produced, so that the sheet
  // label and the printed range cover every page.
  const int total_sheets = output.Prepare();
  set_total_sheets(total_sheets);

  if (option("Preview", "") == "S") {
    output.Preview();
    return;
  }
  if (const std::string pdf = option("ArquivoPDF", ""); !pdf.empty()) {
    // Paths in the data file are Windows-1252; file names here are UTF-8.
    output.WritePdfFile(invoice::Cp1252ToUtf8(pdf), 1, total_sheets);
    return;
  }
  PrintSettings settings;
  if (option("Exportar", "") == "S") {
    settings.first_page = 1;
    settings.last_page = total_sheets;
    settings.printer_index = FindPrinter(output.PrinterNames(), "PDFCreator");
    output.Print(settings);
    return;
  }
  settings.first_page = 1;
  settings.last_page = total_sheets;
  const int pages = output.Prepare();
  if (option("LayoutIden", "") == "quirena") {
    output.Print(settings);
    return;
  }
  bool cancelled = false;
  if (option("showSetup", "S") == "S") cancelled = !output.PrinterSetup(settings, pages);
  if (!cancelled) output.Print(settings);
}

}  // namespace app

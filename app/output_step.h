#pragma once

#include <functional>
#include <string>
#include <vector>

namespace invoice {
class IniFile;
}

namespace app {

// The report's print settings. A page is printed when (first_page is 0 or
// its number is at least first_page) and (last_page is 0 or at most
// last_page); the others are generated and dropped.
struct PrintSettings {
  int first_page = 1;
  int last_page = 1;
  int printer_index = -1;  // position in the printer list; -1: the default printer
  int copies = 1;
  bool landscape = false;
};

// The report platform as the output step uses it. Every call that runs a
// report pass generates all pages again and runs the report's callbacks.
class ReportOutput {
 public:
  virtual ~ReportOutput() = default;
  // One pass into memory; returns its number of pages.
  virtual int Prepare() = 0;
  // The preview window with one pass; returns when the user closed it.
  virtual void Preview() = 0;
  // One pass, the pages in range sent as one job named after the report.
  virtual void Print(const PrintSettings& settings) = 0;
  // The print dialog for `pages` pages. On OK stores the choices in
  // `settings` and returns true; on Cancel returns false.
  virtual bool PrinterSetup(PrintSettings& settings, int pages) = 0;
  // The installed printers, in the platform's order.
  virtual std::vector<std::string> PrinterNames() = 0;
  // One pass, the pages first..last written as a PDF file at `path` (UTF-8),
  // replacing it at once and whole, or leaving an earlier file untouched.
  virtual void WritePdfFile(const std::string& path, int first_page, int last_page) = 0;
};

// The position of the first printer whose whole name equals `name` without
// regard to letter case, or -1.
int FindPrinter(const std::vector<std::string>& names, const std::string& name);

// Previews, prints or writes the filled report as the [Danfe] options say:
// Preview=S shows the preview; otherwise a non-empty ArquivoPDF writes the
// sheets to that PDF file and prints nothing; otherwise Exportar, LayoutIden
// and showSetup choose how to print. The
// number of sheets is handed to `set_total_sheets` from the pages of the
// first pass, before any later pass shows it.
void RunOutputStep(const invoice::IniFile& data_file, ReportOutput& output,
                   const std::function<void(int)>& set_total_sheets);

}  // namespace app

#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/page.h"

namespace platform {

// A failure of the print system, with the message for the user in
// Windows-1252 like every error message of the program.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The installed printers (CUPS queues), in the print system's order.
// Throws PrintError when the print server does not answer.
std::vector<std::string> PrinterNames();
// The system's default printer, or the empty text when there is none.
std::string DefaultPrinterName();

// How to print a document. A page is sent when (first_page is 0 or its
// number is at least first_page) and (last_page is 0 or at most last_page).
struct PrintRequest {
  std::string printer;  // empty: the default printer
  int copies = 1;
  int first_page = 0;
  int last_page = 0;
  bool landscape = false;
};

enum class PrintOutcome { kPrinted, kCancelled };

// Sends the pages in range as one job named after the document's title. With
// a display, a progress window with Cancel is shown meanwhile. Throws
// PrintError when no printer is installed or the job cannot be started.
PrintOutcome PrintDocument(const report::Document& document, const PrintRequest& request);

// The print dialog on the default printer, page range 1..pages preset to
// all of it. On OK stores the choices in `request` (all pages: 0 and 0) and
// returns true; Cancel returns false. Throws PrintError when there is no
// default printer or no display.
bool RunPrintDialog(PrintRequest& request, int pages, const std::string& needs_window_option);

// The preview window: maximised at 140 %, the first page shown. Its print
// button calls `print` with the request the window holds (all pages on the
// default printer unless its printer setup changed them). Returns when the
// user closed the window. Throws PrintError without a display.
void RunPreview(const report::Document& document,
                const std::function<void(const PrintRequest&)>& print,
                const std::string& needs_window_option);

}  // namespace platform

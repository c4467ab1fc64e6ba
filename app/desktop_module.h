#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/printing.h"
#include "report/page.h"
#include "report/picture.h"

namespace app {

// Windows, pictures and printers: everything of the program that needs the
// GUI libraries. It lives in a module of its own, libdanfe-desktop.so beside
// the program, loaded on first use, so that a run that needs none of it (a
// PDF file, messages without a display) does not pay for loading them.
// Texts are UTF-8; failures are exceptions with messages in Windows-1252.
class DesktopModule {
 public:
  virtual ~DesktopModule() = default;

  // See platform/desktop.h.
  virtual void ShowMessage(const std::string& caption, const std::string& text, bool error) = 0;
  virtual void ShowMainWindowUntilClosed() = 0;
  // See platform/pictures.h.
  virtual report::Picture LoadPicture(const std::filesystem::path& path) = 0;
  // See platform/printing.h.
  virtual std::vector<std::string> PrinterNames() = 0;
  virtual void PrintDocument(const report::Document& document,
                             const platform::PrintRequest& request) = 0;
  virtual bool RunPrintDialog(platform::PrintRequest& request, int pages,
                              const std::string& needs_window_option) = 0;
  virtual void RunPreview(const report::Document& document,
                          const std::function<void(const platform::PrintRequest&)>& print,
                          const std::string& needs_window_option) = 0;
};

// The module's file name, and the name of the function it exports:
// extern "C" DesktopModule* DanfeDesktopModule(), which returns the module,
// alive to the end of the process. The GUI application starts with the
// first window, dialog or printer; pictures are read without it.
inline constexpr const char* kDesktopModuleFile = "libdanfe-desktop.so";
inline constexpr const char* kDesktopModuleEntry = "DanfeDesktopModule";

// The module, loaded from the program's folder on the first call. Throws
// std::runtime_error when it cannot be loaded.
DesktopModule& Desktop();

}  // namespace app

// The desktop module itself: libdanfe-desktop.so, loaded by the program
// when it first needs a window, a picture or a printer.
#include "app/desktop_module.h"

#include "platform/desktop.h"
#include "platform/pictures.h"
#include "platform/printing.h"

namespace app {
namespace {

class QtDesktop : public DesktopModule {
 public:
  void ShowMessage(const std::string& caption, const std::string& text, bool error) override {
    platform::StartApplication();
    platform::ShowMessage(caption, text,
                          error ? platform::MessageIcon::kError : platform::MessageIcon::kNone);
  }
  void ShowMainWindowUntilClosed() override {
    platform::StartApplication();
    platform::ShowMainWindowUntilClosed();
  }
  report::Picture LoadPicture(const std::filesystem::path& path) override {
    return platform::LoadPicture(path);
  }
  std::vector<std::string> PrinterNames() override {
    platform::StartApplication();
    return platform::PrinterNames();
  }
  void PrintDocument(const report::Document& document,
                     const platform::PrintRequest& request) override {
    platform::StartApplication();
    // A cancelled job is the user's choice, not a failure.
    platform::PrintDocument(document, request);
  }
  bool RunPrintDialog(platform::PrintRequest& request, int pages,
                      const std::string& needs_window_option) override {
    platform::StartApplication();
    return platform::RunPrintDialog(request, pages, needs_window_option);
  }
  void RunPreview(const report::Document& document,
                  const std::function<void(const platform::PrintRequest&)>& print,
                  const std::string& needs_window_option) override {
    platform::StartApplication();
    platform::RunPreview(document, print, needs_window_option);
  }
};

}  // namespace
}  // namespace app

// The GUI application starts with the first window, dialog or printer;
// pictures are read without it.
extern "C" __attribute__((visibility("default"))) app::DesktopModule* DanfeDesktopModule() {
  static app::QtDesktop* desktop = new app::QtDesktop;
  return desktop;
}

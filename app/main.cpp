#include <memory>
#include <string>
#include <vector>

#include "app/desktop.h"
#include "app/run.h"
#include "platform/truetype.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  app::DesktopUi ui;
  app::DesktopServices services;
  return app::FormCreate(args, ui, [&](const invoice::IniFile& data_file) {
    app::PrintDanfe(data_file, services, std::make_shared<platform::FontFileMetrics>());
  });
}

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

#include "app/desktop_module.h"
#include "invoice/cp1252.h"

namespace app {

DesktopModule& Desktop() {
  static DesktopModule* module = [] {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string path = (exe.parent_path() / kDesktopModuleFile).string();
    // Loaded once and never closed: Qt's objects live to the end of the
    // process.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = handle ? ::dlsym(handle, kDesktopModuleEntry) : nullptr;
    if (!entry) {
      const char* reason = ::dlerror();
      throw std::runtime_error(invoice::Utf8ToCp1252(
          "N\u00e3o foi poss\u00edvel carregar a parte gr\u00e1fica do programa (" + path +
          "): " + (reason ? reason : "?")));
    }
    return reinterpret_cast<DesktopModule* (*)()>(entry)();
  }();
  return *module;
}

}  // namespace app

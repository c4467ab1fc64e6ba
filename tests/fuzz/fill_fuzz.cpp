// A whole DANFE from any data file: the fill steps and one report pass into
// display lists, measured with fixed metrics and without a device. The only
// failures allowed are a value that does not convert and an access key that
// is not numeric.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "danfe/danfe.h"
#include "invoice/ini_reader.h"
#include "report/font.h"

namespace {

struct NoDesktop : danfe::Services {
  std::filesystem::path ProgramFolder() override { return "/nonexistent"; }
  report::Picture LoadPicture(const std::filesystem::path&) override {
    throw std::runtime_error("no pictures here");
  }
  void ShowLogoError() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const invoice::IniFile ini =
      invoice::IniFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  // Counts that would make one input run for minutes say nothing new.
  if (ini.ReadInt("DadosNota", "num_itens_na_nota", 0) > 2000) return -1;
  NoDesktop desktop;
  danfe::Danfe danfe(std::make_shared<report::FixedFontMetrics>(), desktop);
  try {
    danfe.Fill(ini);
  } catch (const std::runtime_error&) {
    return 0;
  }
  danfe.set_total_sheets(1);
  const report::Document document = danfe.report().Run();
  for (const report::Page& page : document.pages) (void)page.Dump();
  return 0;
}

// The data file reader on any bytes: every read answers, none crashes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "invoice/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const invoice::IniFile ini = invoice::IniFile::Parse(bytes);
  for (std::string_view name : ini.SectionNames()) {
    if (ini.ReadText(name, "nDup", "").size() > invoice::IniFile::kMaxValueLength) __builtin_trap();
  }
  (void)ini.ReadText("Danfe", "Exportar", "");
  (void)ini.ReadInt("DadosNota", "num_itens_na_nota", 0);
  std::int32_t n = 0;
  (void)invoice::ParseIniInteger(bytes.substr(0, 64), n);
  return 0;
}

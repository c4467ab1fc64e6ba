#include "app/run.h"

#include <exception>
#include <filesystem>

#include "invoice/cp1252.h"
#include "invoice/ini_reader.h"

namespace app {

std::string ErrorBoxText(std::string_view message) {
  std::string text = invoice::Cp1252ToUtf8(message);
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') text += '.';
  return text;
}

int FormCreate(const std::vector<std::string>& args, Ui& ui, const PrintDanfeStep& print_danfe) {
  if (args.empty() || args.front().empty()) {
    ui.ShowMessage("Parâmetro Inválido");
    return kExitBadArgument;
  }
  const std::string& path = args.front();
  // Only a regular file (or a link to one) counts: a folder does not, and a
  // pipe or a device would leave the run waiting for data.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    ui.ShowMessage("O Arquivo informado \"" + path + "\"  não existe");
    return kExitBadArgument;
  }
  try {
    const invoice::IniFile data_file = invoice::IniFile::Load(path);
    if (!data_file.ReadText("CHAVEACESSO", "ID", "").empty()) return kExitOk;
    if (!data_file.ReadText("ProtocoloRecebimento", "nProt", "").empty()) return kExitOk;
    print_danfe(data_file);
    return kExitOk;
  } catch (const std::exception& e) {
    ui.ShowError(ErrorBoxText(e.what()));
  }
  ui.KeepMainWindowOpen();
  return kExitFailed;
}

}  // namespace app

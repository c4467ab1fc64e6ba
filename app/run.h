#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace invoice {
class IniFile;
}

namespace app {

// Exit status of a run: 0 when the DANFE went out or there was nothing to
// print (the printing rule, a cancelled dialog); 2 for a bad argument; 1 when
// a step failed.
enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitBadArgument = 2 };

// What a run shows the user. Texts are UTF-8.
class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message with the caption "Danfe", no icon and one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The error box: caption "Danfe", error icon, one OK button.
  virtual void ShowError(const std::string& text) = 0;
  // After a failed step: the empty "DANFE" window, until the user closes it.
  virtual void KeepMainWindowOpen() = 0;
};

// Builds and outputs the DANFE from the open data file; throws on a failed step.
using PrintDanfeStep = std::function<void(const invoice::IniFile& data_file)>;

// The whole run: checks the argument and the file, applies the printing rule
// (only invoices without access key and protocol are printed) and calls
// print_danfe. Failures of print_danfe are shown in the error box. Returns
// the exit status.
int FormCreate(const std::vector<std::string>& args, Ui& ui, const PrintDanfeStep& print_danfe);

// The error box's text for an error message in Windows-1252: the message,
// in UTF-8, and a full stop when its last character comes after "." in the
// code page.
std::string ErrorBoxText(std::string_view message);

}  // namespace app

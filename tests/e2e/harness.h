#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

struct Result {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a program (no shell) with extra environment variables; "" as a value
// removes the variable. Standard input is empty. Killed after timeout_s.
Result Exec(const std::vector<std::string>& argv,
            const std::map<std::string, std::string>& env = {}, int timeout_s = 60);

// The program under test and the source tree.
std::string DanfeBinary();
// Copies the program and its desktop module into `folder` (a program of its
// own, beside a logo, say); returns the copy's path.
std::string CopyProgram(const std::filesystem::path& folder);
std::filesystem::path SourceDir();

// A private CUPS server with its own queues, each a CUPS-PDF printer writing
// into its own folder. Needs root.
class PrivateCups {
 public:
  // Queues to create; the one named in default_queue becomes the default.
  PrivateCups(const std::vector<std::string>& queues, const std::string& default_queue);
  ~PrivateCups();
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  const std::string& server() const { return socket_; }
  // Waits until no job is pending, then lists the PDFs of the queue.
  std::vector<std::filesystem::path> Pdfs(const std::string& queue) const;
  void WaitForJobs() const;
  // Removes every PDF written so far.
  void Clear() const;

 private:
  TempDir dir_;
  std::string socket_;
  std::vector<std::string> queues_;
};

// pdfinfo's fields and pdftotext's text of a PDF.
std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf);
std::string PdfText(const std::filesystem::path& pdf);

}  // namespace e2e

namespace e2e {

// A program running in the background, killed with its children when the
// handle goes.
class Background {
 public:
  Background(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  // Waits for the program to end; its exit status, or -1 when it still runs
  // after timeout_s.
  int Wait(int timeout_s);
  bool running();

 private:
  int pid_ = -1;
  int status_ = -1;
};

// A virtual X server of its own for window tests.
class Xvfb {
 public:
  Xvfb();
  ~Xvfb();
  const std::string& display() const { return display_; }

 private:
  int pid_ = -1;
  std::string display_;
};

// The X window whose title matches the regular expression, waiting up to
// timeout_s; 0 when none appeared.
unsigned long FindWindow(const std::string& display, const std::string& title_regex,
                         int timeout_s = 20);
// Gives the window the keyboard and types the keys (xdotool key names).
void PressKeys(const std::string& display, unsigned long window, const std::string& keys);
// Asks the window to close, as a window manager's close button does.
void CloseWindow(const std::string& display, unsigned long window);
// The window's _NET_WM_STATE atoms, as xprop shows them.
std::string WindowState(const std::string& display, unsigned long window);
// A PNG of the whole screen.
void Screenshot(const std::string& display, const std::filesystem::path& png);

// Where tests leave pictures for people to look at.
std::filesystem::path TestOutputDir();

}  // namespace e2e

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

#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

int counter = 0;

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

}  // namespace

TempDir::TempDir() {
  path_ = std::filesystem::temp_directory_path() /
          ("danfe_e2e_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& bytes) const {
  const auto file = path_ / name;
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

Result Exec(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            int timeout_s) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) throw std::runtime_error("pipe");
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) merged[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [k, v] : env) {
    if (v.empty()) {
      merged.erase(k);
    } else {
      merged[k] = v;
    }
  }
  std::vector<std::string> env_strings;
  for (const auto& [k, v] : merged) env_strings.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (auto& s : args) argp.push_back(s.data());
  argp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null_in = ::open("/dev/null", O_RDONLY);
    ::dup2(null_in, 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    ::setpgid(0, 0);
    ::execve(argp[0], argp.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  Result result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_fds = 2;
  bool killed = false;
  while (open_fds > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      ::kill(-pid, SIGKILL);
      killed = true;
      break;
    }
    if (::poll(fds, 2, static_cast<int>(std::min<long long>(left, 1000))) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_fds;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) ::close(f.fd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (killed) result.err += "\n[killed after timeout]";
  return result;
}

std::filesystem::path SourceDir() { return DANFE_SOURCE_PATH; }

std::string DanfeBinary() { return DANFE_BINARY_PATH; }

PrivateCups::PrivateCups(const std::vector<std::string>& queues, const std::string& default_queue)
    : queues_(queues) {
  const std::string script = (SourceDir() / "tests/cups/private-cupsd").string();
  const Result started =
      Exec({"/usr/bin/env", "bash", script, "start", dir_.path().string(), "none"});
  if (started.status != 0) throw std::runtime_error("cupsd did not start: " + started.err);
  socket_ = Trim(started.out);
  for (const std::string& queue : queues) {
    const Result added = Exec({"/usr/bin/env", "bash", script, "queue", dir_.path().string(), queue,
                               queue == default_queue ? "default" : ""});
    if (added.status != 0) throw std::runtime_error("queue " + queue + ": " + added.err);
  }
}

PrivateCups::~PrivateCups() {
  Exec({"/usr/bin/env", "bash", (SourceDir() / "tests/cups/private-cupsd").string(), "stop",
        dir_.path().string()});
}

void PrivateCups::WaitForJobs() const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    const Result jobs = Exec({"/usr/bin/lpstat", "-h", socket_, "-W", "not-completed", "-o"});
    if (jobs.status == 0 && Trim(jobs.out).empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  throw std::runtime_error("print jobs did not complete");
}

std::vector<std::filesystem::path> PrivateCups::Pdfs(const std::string& queue) const {
  WaitForJobs();
  std::vector<std::filesystem::path> pdfs;
  const auto folder = dir_.path() / "out" / queue;
  if (!std::filesystem::exists(folder)) return pdfs;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".pdf") pdfs.push_back(entry.path());
  return pdfs;
}

void PrivateCups::Clear() const {
  WaitForJobs();
  for (const auto& queue : queues_)
    for (const auto& pdf : Pdfs(queue)) std::filesystem::remove(pdf);
}

std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf) {
  const Result info = Exec({"/usr/bin/pdfinfo", pdf.string()});
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start < info.out.size()) {
    size_t end = info.out.find('\n', start);
    if (end == std::string::npos) end = info.out.size();
    const std::string line = info.out.substr(start, end - start);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string value = Trim(line.substr(colon + 1));
    // Ghostscript writes the title as a literal string that pdfinfo shows
    // with its parentheses.
    if (value.size() >= 2 && value.front() == '(' && value.back() == ')')
      value = value.substr(1, value.size() - 2);
    fields[line.substr(0, colon)] = value;
    start = end + 1;
  }
  return fields;
}

std::string PdfText(const std::filesystem::path& pdf) {
  return Exec({"/usr/bin/pdftotext", "-layout", pdf.string(), "-"}).out;
}

}  // namespace e2e

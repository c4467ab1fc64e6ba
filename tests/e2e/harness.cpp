#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
// Xlib, to close windows the way a window manager does.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

int counter = 0;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

std::vector<std::string> Environment(const std::map<std::string, std::string>& env) {
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
  std::vector<std::string> out;
  for (const auto& [k, v] : merged) out.push_back(k + "=" + v);
  return out;
}

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
  std::vector<std::string> env_strings = Environment(env);
  auto envp = Pointers(env_strings);
  std::vector<std::string> args = argv;
  auto argp = Pointers(args);

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

std::string CopyProgram(const std::filesystem::path& folder) {
  const std::filesystem::path program(DanfeBinary());
  const std::string module = "libdanfe-desktop.so";
  std::filesystem::copy_file(program.parent_path() / module, folder / module);
  std::filesystem::copy_file(program, folder / "danfe");
  return (folder / "danfe").string();
}

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

Background::Background(const std::vector<std::string>& argv,
                       const std::map<std::string, std::string>& env) {
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = Environment(env);
  auto argp = Pointers(args);
  auto envp = Pointers(envs);
  pid_ = ::fork();
  if (pid_ == 0) {
    const int null_fd = ::open("/dev/null", O_RDWR);
    ::dup2(null_fd, 0);
    ::dup2(null_fd, 1);
    ::setpgid(0, 0);
    ::execve(argp[0], argp.data(), envp.data());
    ::_exit(127);
  }
}

Background::~Background() {
  if (running()) {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool Background::running() {
  if (status_ >= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

int Background::Wait(int timeout_s) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return status_;
}

Xvfb::Xvfb() {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(fds[0]);
    const int null_fd = ::open("/dev/null", O_RDWR);
    ::dup2(null_fd, 0);
    ::dup2(null_fd, 1);
    ::dup2(null_fd, 2);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  char c = 0;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
}

Xvfb::~Xvfb() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

unsigned long FindWindow(const std::string& display, const std::string& title_regex,
                         int timeout_s) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  while (std::chrono::steady_clock::now() < deadline) {
    const Result r = Exec({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", title_regex},
                          {{"DISPLAY", display}});
    if (r.status == 0 && !r.out.empty()) return std::stoul(r.out);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}

void PressKeys(const std::string& display, unsigned long window, const std::string& keys) {
  Exec({"/usr/bin/xdotool", "windowfocus", std::to_string(window)}, {{"DISPLAY", display}});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Exec({"/usr/bin/xdotool", "key", keys}, {{"DISPLAY", display}});
}

void CloseWindow(const std::string& display, unsigned long window) {
  Display* x = XOpenDisplay(display.c_str());
  if (!x) throw std::runtime_error("cannot open display " + display);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, window, False, NoEventMask, &event);
  XFlush(x);
  XCloseDisplay(x);
}

std::string WindowState(const std::string& display, unsigned long window) {
  return Exec({"/usr/bin/xprop", "-id", std::to_string(window), "_NET_WM_STATE"},
              {{"DISPLAY", display}})
      .out;
}

void Screenshot(const std::string& display, const std::filesystem::path& png) {
  // A window is found once mapped; give it time to paint.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::filesystem::create_directories(png.parent_path());
  const std::string command = "xwd -root -silent -display " + display +
                              " | xwdtopnm 2>/dev/null | pnmtopng > '" + png.string() + "'";
  Exec({"/bin/sh", "-c", command});
}

std::filesystem::path TestOutputDir() { return DANFE_TEST_OUTPUT_PATH; }

}  // namespace e2e

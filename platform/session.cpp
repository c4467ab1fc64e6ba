#include "platform/session.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

void PrintMessageLine(const std::string& caption, const std::string& text) {
  std::string line = caption + ": " + text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace platform

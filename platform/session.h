#pragma once

#include <string>

namespace platform {

// True when a window system is there to show windows on (DISPLAY or
// WAYLAND_DISPLAY is set). Without one, messages go to standard error and
// nothing waits for a click.
bool HasDisplay();

// A message as one UTF-8 line "caption: text" on standard error, its line
// breaks turned into spaces: what a message box says when there is no
// display.
void PrintMessageLine(const std::string& caption, const std::string& text);

}  // namespace platform

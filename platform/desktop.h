#pragma once

#include <string>

#include "platform/session.h"

namespace platform {

// The application object for the whole program, with the title "Danfe".
// Picks the offscreen platform when there is no display. Does nothing when
// an application object exists.
// It is not given the command line, so that no argument is taken for one of
// Qt's own options.
void StartApplication();

enum class MessageIcon { kNone, kError };

// A modal message box with one OK button, centred on the screen, returning
// when the user pressed OK. Without a display: "caption: text" as one line
// on standard error. Texts are UTF-8.
void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon);

// The main window "DANFE", empty, until the user closes it. Returns at once
// without a display.
void ShowMainWindowUntilClosed();

}  // namespace platform

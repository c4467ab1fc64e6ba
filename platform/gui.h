#pragma once

namespace platform {

// Fonts and painting need a Qt GUI application object. Creates one for
// programs and tests that have none yet; without a display it uses the
// offscreen platform. Does nothing when an application object exists.
void EnsureGuiApplication();

}  // namespace platform

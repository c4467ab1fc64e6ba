// The logo readers on any bytes, for every extension a logo may have: the
// first byte picks the extension, the rest is the file.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/pictures.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "picture_fuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const kNames[] = {"logo.bmp", "logo.ico", "logo.jpg", "logo.gif",
                                       "logo.wmf", "logo.emf", "logo"};
  if (size == 0) return -1;
  const std::size_t kinds = sizeof kNames / sizeof kNames[0];
  const std::string name = kNames[data[0] % kinds];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    const report::Picture picture = platform::DecodePicture(bytes, name);
    (void)picture;
  } catch (const platform::PictureError&) {
  }
  return 0;
}

// The access-key barcode of any text: a bitmap, or the error for a key that
// is not numeric.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "danfe/barcode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const report::MonoBitmap bitmap =
        danfe::MakeAccessKeyBarcode(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)bitmap;
  } catch (const std::runtime_error&) {
  }
  return 0;
}

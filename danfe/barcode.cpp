#include "danfe/barcode.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace danfe {
namespace {

// Element widths of the Code 128 symbols 0..105, bar first: three bars and
// three spaces of 11 modules in all.
constexpr std::array<const char*, 106> kPatterns = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232",
};
constexpr const char* kStop = "2331112";
constexpr int kStartC = 105;

}  // namespace

report::MonoBitmap MakeAccessKeyBarcode(std::string_view text) {
  report::MonoBitmap bitmap(kBarcodeWidth, kBarcodeHeight);

  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  std::string digits(text);
  for (char c : digits)
    if (c < '0' || c > '9') throw std::runtime_error("Barcode must be numeric");
  if (digits.size() % 2 == 1) digits.insert(digits.begin(), '0');

  std::vector<const char*> symbols{kPatterns[kStartC]};
  int checksum = kStartC;
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int value = (digits[i] - '0') * 10 + (digits[i + 1] - '0');
    checksum = (checksum + value * static_cast<int>(i / 2 + 1)) % 103;
    symbols.push_back(kPatterns[value]);
  }
  symbols.push_back(kPatterns[checksum % 103]);
  symbols.push_back(kStop);

  int x = 0;
  for (const char* pattern : symbols) {
    bool bar = true;
    for (const char* w = pattern; *w != '\0' && x < kBarcodeWidth; ++w, bar = !bar) {
      const int width = *w - '0';
      if (bar) bitmap.fill_black(x, 0, x + width, kBarcodeBarRows);
      x += width;
    }
  }
  return bitmap;
}

}  // namespace danfe

#include "report/units.h"

#include <charconv>
#include <cmath>

namespace report {

std::string FormatTenths(Tenths t) {
  double v = std::round(t.value() * 100.0) / 100.0;
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

}  // namespace report

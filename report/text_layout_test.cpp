#include "report/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace report {
namespace {

// 10 pt in the fixed test font: every byte 10 tenths wide.
FaceMetrics Face() { return FixedFontMetrics().Measure({.size = 10}); }

std::vector<std::string> Lines(std::string_view text, double width, Wrap wrap) {
  std::vector<std::string> out;
  for (const TextLine& line : LayoutText(text, Face(), Tenths(width), wrap)) {
    EXPECT_DOUBLE_EQ(line.width.value(), 10.0 * line.bytes.size()) << line.bytes;
    out.push_back(line.bytes);
  }
  return out;
}

struct Case {
  const char* text;
  double width;
  Wrap wrap;
  std::vector<std::string> lines;
};

TEST(LayoutText, BreaksCaptionsIntoLines) {
  const Case cases[] = {
      {"", 100, Wrap::kWordWrap, {}},
      {"", 100, Wrap::kNone, {}},
      // Carriage returns end pieces, line feeds vanish, a final CR adds nothing.
      {"ab\r\ncd", 100, Wrap::kNone, {"ab", "cd"}},
      {"ab\ncd", 100, Wrap::kNone, {"abcd"}},
      {"ab\r\r\ncd\r\n", 100, Wrap::kNone, {"ab", "", "cd"}},
      // Auto-size: never wrapped, however wide.
      {"a long caption", 30, Wrap::kNone, {"a long caption"}},
      // Words end after a space or a hyphen; the breaking space goes.
      {"one two three", 80, Wrap::kWordWrap, {"one two", "three"}},
      {"one two three", 70, Wrap::kWordWrap, {"one", "two", "three"}},
      {"alpha-beta gamma", 60, Wrap::kWordWrap, {"alpha-", "beta", "gamma"}},
      {"BC ICMS", 50, Wrap::kWordWrap, {"BC", "ICMS"}},
      {"exactly 10", 100, Wrap::kWordWrap, {"exactly 10"}},
      // A word wider than the box keeps its leading bytes; the rest is lost.
      {"abcdefghij klm", 40, Wrap::kWordWrap, {"abcd", "klm"}},
      {"xy abcdefghij", 40, Wrap::kWordWrap, {"xy", "abcd"}},
      {"abcdefghij", 5, Wrap::kWordWrap, {""}},
      // Every piece wraps on its own.
      {"aa bb\r\ncc dd", 30, Wrap::kWordWrap, {"aa", "bb", "cc", "dd"}},
      // Without word wrap the overflowing word and the rest are dropped.
      {"one two three", 80, Wrap::kCut, {"one two "}},
      {"abcdefghij", 40, Wrap::kCut, {""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines(c.text, c.width, c.wrap), c.lines) << '"' << c.text << "\" " << c.width;
  }
}

TEST(LayoutText, MeasuresEveryByteWithItsOwnAdvance) {
  FaceMetrics face = Face();
  face.advance[static_cast<unsigned char>('\xc7')] = 25;  // a wide Windows-1252 letter
  const auto lines = LayoutText("\xc7\xc7 ab", face, Tenths(60), Wrap::kWordWrap);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].bytes, "\xc7\xc7");
  EXPECT_DOUBLE_EQ(lines[0].width.value(), 50);
  EXPECT_EQ(lines[1].bytes, "ab");
}

}  // namespace
}  // namespace report

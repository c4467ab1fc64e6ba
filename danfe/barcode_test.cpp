#include "danfe/barcode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace danfe {
namespace {

using Runs = std::vector<std::pair<int, int>>;

// The black columns of row 0 as inclusive runs.
Runs BlackColumns(const report::MonoBitmap& bitmap) {
  Runs runs;
  for (int x = 0; x < bitmap.width(); ++x) {
    if (!bitmap.black(x, 0)) continue;
    if (!runs.empty() && runs.back().second == x - 1) {
      runs.back().second = x;
    } else {
      runs.emplace_back(x, x);
    }
  }
  return runs;
}

// Every column is either black in rows 0..80 or white in all rows, and
// nothing is black in rows 81..91 or right of `width`.
void ExpectBarShape(const report::MonoBitmap& bitmap, int width) {
  ASSERT_EQ(bitmap.width(), 478);
  ASSERT_EQ(bitmap.height(), 92);
  for (int x = 0; x < bitmap.width(); ++x) {
    const bool bar = bitmap.black(x, 0);
    if (x >= width) {
      EXPECT_FALSE(bar) << "column " << x;
    }
    for (int y = 0; y < bitmap.height(); ++y)
      ASSERT_EQ(bitmap.black(x, y), bar && y <= 80) << "pixel " << x << "," << y;
  }
}

int SymbolWidth(const report::MonoBitmap& bitmap) {
  const Runs runs = BlackColumns(bitmap);
  return runs.empty() ? 0 : runs.back().second + 1;
}

TEST(BarcodeTest, WorkedExamples) {
  const report::MonoBitmap empty = MakeAccessKeyBarcode("");
  ExpectBarShape(empty, 35);
  EXPECT_EQ(BlackColumns(empty), (Runs{{0, 1},
                                       {3, 3},
                                       {6, 8},
                                       {11, 12},
                                       {15, 16},
                                       {19, 20},
                                       {22, 23},
                                       {27, 29},
                                       {31, 31},
                                       {33, 34}}));
  const report::MonoBitmap zero = MakeAccessKeyBarcode("0");
  ExpectBarShape(zero, 46);
  EXPECT_EQ(BlackColumns(zero), (Runs{{0, 1},
                                      {3, 3},
                                      {6, 8},
                                      {11, 12},
                                      {14, 15},
                                      {18, 19},
                                      {22, 23},
                                      {26, 27},
                                      {30, 31},
                                      {33, 34},
                                      {38, 40},
                                      {42, 42},
                                      {44, 45}}));
}

TEST(BarcodeTest, OddDigitsGetALeadingZeroAndBlanksAreIgnored) {
  const report::MonoBitmap odd = MakeAccessKeyBarcode("123");
  EXPECT_EQ(odd, MakeAccessKeyBarcode("0123"));
  EXPECT_EQ(odd, MakeAccessKeyBarcode(" \t\r\n123 \x01"));
  ExpectBarShape(odd, 11 * 4 + 13);
  // Symbols: start, 01, 23, check 49 = "211331" at column 33, stop.
  const Runs runs = BlackColumns(odd);
  EXPECT_EQ(Runs(runs.end() - 7, runs.end() - 4), (Runs{{33, 34}, {36, 36}, {40, 42}}));
}

TEST(BarcodeTest, AccessKeyOf44Digits) {
  const report::MonoBitmap key =
      MakeAccessKeyBarcode("43241212345678000190550010000012341000012345");
  ExpectBarShape(key, 277);
  EXPECT_EQ(SymbolWidth(key), 277);
}

TEST(BarcodeTest, LongSymbolsAreCutAtTheEdge) {
  EXPECT_EQ(SymbolWidth(MakeAccessKeyBarcode(std::string(80, '1'))), 475);
  const report::MonoBitmap cut = MakeAccessKeyBarcode(std::string(200, '7'));
  ExpectBarShape(cut, 478);
  const report::MonoBitmap huge = MakeAccessKeyBarcode(std::string(2047, '9'));
  EXPECT_EQ(huge.width(), 478);
}

TEST(BarcodeTest, NonDigitsFail) {
  for (const char* text : {"12a4", "1 2", "-1", "\xB2", "12.0"}) {
    try {
      MakeAccessKeyBarcode(text);
      ADD_FAILURE() << "no failure for " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Barcode must be numeric");
    }
  }
}

// The symbol with a white quiet zone, each module `scale` pixels wide, as a
// portable bitmap for an outside reader.
std::string WithQuietZone(const report::MonoBitmap& bitmap, int scale) {
  const int margin = 20 * scale;
  const int width = SymbolWidth(bitmap);
  report::MonoBitmap framed(width * scale + 2 * margin, 81 * scale + 2 * margin);
  for (int x = 0; x < width; ++x)
    if (bitmap.black(x, 0))
      framed.fill_black(margin + x * scale, margin, margin + (x + 1) * scale, margin + 81 * scale);
  return framed.ToPbm();
}

std::string DecodeWithZbar(const std::string& pbm) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("barcode_test_" + std::to_string(::getpid()) + ".pbm");
  std::ofstream(file, std::ios::binary) << pbm;
  const std::string command = "zbarimg -q --raw -Sdisable -Scode128.enable '" + file.string() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run zbarimg");
  std::string out;
  char buffer[256];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  ::pclose(pipe);
  std::filesystem::remove(file);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(BarcodeTest, AnIndependentReaderReadsTheDigitsBack) {
  ASSERT_EQ(std::system("command -v zbarimg >/dev/null"), 0) << "zbarimg (zbar-tools) is needed";
  std::vector<std::string> texts = {"0", "123", "43241212345678000190550010000012341000012345"};
  // Every pair value 00..99 appears in one of these keys.
  std::mt19937 rng(2024);
  std::vector<int> values(100);
  for (int i = 0; i < 100; ++i) values[i] = i;
  std::shuffle(values.begin(), values.end(), rng);
  for (int k = 0; k < 100; k += 22) {
    std::string digits;
    for (int i = k; i < std::min(k + 22, 100); ++i) {
      digits += static_cast<char>('0' + values[i] / 10);
      digits += static_cast<char>('0' + values[i] % 10);
    }
    texts.push_back(digits);
  }
  for (const std::string& text : texts) {
    const std::string even = text.size() % 2 ? "0" + text : text;
    EXPECT_EQ(DecodeWithZbar(WithQuietZone(MakeAccessKeyBarcode(text), 2)), even);
  }
}

}  // namespace
}  // namespace danfe

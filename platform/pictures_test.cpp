#include "platform/pictures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gui.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Little-endian writers for the metafile fixtures.
void Put16(std::string& s, int v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::int64_t v) {
  Put16(s, static_cast<int>(v & 0xFFFF));
  Put16(s, static_cast<int>((v >> 16) & 0xFFFF));
}

// A placeable Windows metafile of 2 x 1 inches: a red brush and one
// rectangle over the whole window.
std::string Wmf() {
  std::string records;
  auto record = [&](int function, std::initializer_list<int> params) {
    Put32(records, 3 + static_cast<std::int64_t>(params.size()));
    Put16(records, function);
    for (int p : params) Put16(records, p);
  };
  record(0x020B, {0, 0});                  // SETWINDOWORG y, x
  record(0x020C, {720, 1440});             // SETWINDOWEXT height, width
  record(0x02FC, {0, 0x00FF, 0x0000, 0});  // CREATEBRUSHINDIRECT solid, red
  record(0x012D, {0});                     // SELECTOBJECT 0
  record(0x041B, {720, 1440, 0, 0});       // RECTANGLE bottom, right, top, left
  record(0x0000, {});                      // EOF

  std::string header;
  Put16(header, 1);  // memory metafile
  Put16(header, 9);  // header words
  Put16(header, 0x0300);
  Put32(header, static_cast<std::int64_t>((18 + records.size()) / 2));
  Put16(header, 1);  // objects
  Put32(header, 7);  // largest record, words
  Put16(header, 0);

  std::string placeable;
  Put32(placeable, 0x9AC6CDD7);
  Put16(placeable, 0);
  for (int v : {0, 0, 1440, 720}) Put16(placeable, v);
  Put16(placeable, 720);  // units per inch
  Put32(placeable, 0);
  int checksum = 0;
  for (size_t i = 0; i < placeable.size(); i += 2)
    checksum ^= static_cast<unsigned char>(placeable[i]) |
                (static_cast<unsigned char>(placeable[i + 1]) << 8);
  Put16(placeable, checksum);
  return placeable + header + records;
}

// An enhanced metafile of 200 x 100 device units with one filled rectangle.
std::string Emf() {
  std::string body;
  auto record = [&](int type, std::initializer_list<std::int64_t> params) {
    Put32(body, type);
    Put32(body, 8 + 4 * static_cast<std::int64_t>(params.size()));
    for (auto p : params) Put32(body, p);
  };
  record(39, {1, 0, 0x000000FF, 0});  // CREATEBRUSHINDIRECT 1: solid red
  record(37, {1});                    // SELECTOBJECT 1
  record(43, {0, 0, 199, 99});        // RECTANGLE
  record(14, {0, 16, 20});            // EOF

  const std::int64_t total = 88 + static_cast<std::int64_t>(body.size());
  std::string header;
  Put32(header, 1);                                    // EMR_HEADER
  Put32(header, 88);                                   // its size
  for (auto v : {0, 0, 199, 99}) Put32(header, v);     // bounds, device units
  for (auto v : {0, 0, 5291, 2645}) Put32(header, v);  // frame, 0.01 mm
  Put32(header, 0x464D4520);                           // " EMF"
  Put32(header, 0x10000);
  Put32(header, total);
  Put32(header, 5);  // records
  Put16(header, 2);  // handles
  Put16(header, 0);
  Put32(header, 0);  // description
  Put32(header, 0);
  Put32(header, 0);  // palette
  Put32(header, 1024);
  Put32(header, 768);  // device pixels
  Put32(header, 271);
  Put32(header, 203);  // device millimetres
  return header + body;
}

std::string Raster(const char* format, int width = 40, int height = 20) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(0, 0, 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

// A 1 x 1 GIF: Qt reads GIF but does not write it.
std::string Gif() {
  return std::string(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\xFF\xFF\xFF\xFF"
      "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B",
      35);
}

// A BMP header that claims 20000 x 20000 pixels of 24 bits and holds none.
std::string HugeBmpHeader() {
  std::string s = "BM";
  Put32(s, 54 + 20000LL * 20000 * 3);
  Put32(s, 0);
  Put32(s, 54);
  Put32(s, 40);
  Put32(s, 20000);
  Put32(s, 20000);
  Put16(s, 1);
  Put16(s, 24);
  for (int i = 0; i < 6; ++i) Put32(s, 0);
  return s;
}

class PicturesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureGuiApplication(); }
  PicturesTest() {
    dir_ = fs::temp_directory_path() / ("pictures_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  ~PicturesTest() override { fs::remove_all(dir_); }
  fs::path Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }
  fs::path dir_;
};

TEST_F(PicturesTest, ReadersByExtension) {
  struct Case {
    std::string name;
    std::string bytes;
    int width;  // 0: refused
  };
  const std::string jpeg = Raster("JPEG");
  const Case cases[] = {
      {"LOGO.JPG", jpeg, 40},
      {"logo.jpeg", jpeg, 40},
      {"logo.bmp", Raster("BMP"), 40},
      {"logo.gif", Gif(), 1},
      {"logo.ico", Raster("ICO", 32, 32), 32},
      {"logo", jpeg, 40},  // no extension: every reader is tried
      {"logo.wmf", Wmf(), 192},
      {"logo.EMF", Emf(), 199},
      {"logo.png", Raster("PNG"), 0},
      {"logo.txt", jpeg, 0},
      {"truncated.jpg", jpeg.substr(0, jpeg.size() / 3), 0},
      {"jpeg-named.bmp", jpeg, 0},
      {"empty.gif", "", 0},
      {"truncated.gif", Gif().substr(0, 20), 0},
      {"huge.bmp", HugeBmpHeader(), 0},
      {"noise.wmf", std::string(300, '\x55'), 0},
      {"noise.emf", std::string(300, '\x55'), 0},
  };
  for (const auto& c : cases) {
    const fs::path file = Write(c.name, c.bytes);
    SCOPED_TRACE(c.name);
    if (c.width == 0) {
      EXPECT_THROW(LoadPicture(file), PictureError);
      continue;
    }
    const report::Picture picture = LoadPicture(file);
    ASSERT_NE(picture.rgba(), nullptr);
    EXPECT_EQ(picture.width(), c.width);
  }
}

TEST_F(PicturesTest, MetafilesAreDrawn) {
  // The red rectangle fills the picture's middle.
  for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"a.wmf", Wmf()},
                                    std::pair<std::string, std::string>{"a.emf", Emf()}}) {
    const report::Picture picture = LoadPicture(Write(name, bytes));
    const report::RgbaImage& image = *picture.rgba();
    const std::uint32_t middle =
        image.pixels[static_cast<size_t>(image.height / 2) * image.width + image.width / 2];
    EXPECT_EQ(middle & 0xFFFFFF, 0xFF0000u) << name;
  }
}

TEST_F(PicturesTest, FoldersAndMissingFilesAreRefused) {
  EXPECT_THROW(LoadPicture(dir_), PictureError);
  EXPECT_THROW(LoadPicture(dir_ / "missing.jpg"), PictureError);
  fs::create_directories(dir_ / "folder.bmp");
  EXPECT_THROW(LoadPicture(dir_ / "folder.bmp"), PictureError);
}

}  // namespace
}  // namespace platform

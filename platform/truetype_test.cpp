#include "platform/truetype.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPainterPath>
#include <QRawFont>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>

#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "platform/qt_font.h"

namespace platform {
namespace {

const char kRegular[] = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

void StartQt() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EnsureGuiApplication();
}

// A reader of its own for font files, so that the checks do not trust the
// code they check.
std::uint32_t U32(std::string_view b, std::size_t at) {
  return std::uint32_t(std::uint8_t(b.at(at))) << 24 |
         std::uint32_t(std::uint8_t(b.at(at + 1))) << 16 |
         std::uint32_t(std::uint8_t(b.at(at + 2))) << 8 | std::uint32_t(std::uint8_t(b.at(at + 3)));
}
std::uint16_t U16(std::string_view b, std::size_t at) {
  return std::uint16_t(std::uint8_t(b.at(at)) << 8 | std::uint8_t(b.at(at + 1)));
}
void SetU16(std::string& b, std::size_t at, std::uint16_t v) {
  b.at(at) = char(v >> 8);
  b.at(at + 1) = char(v & 0xFF);
}

// Offset and length of a table in the file's directory.
std::pair<std::size_t, std::size_t> TableAt(std::string_view font, std::string_view tag) {
  for (int i = 0; i < U16(font, 4); ++i) {
    const std::size_t record = 12 + 16 * i;
    if (font.substr(record, 4) == tag) return {U32(font, record + 8), U32(font, record + 12)};
  }
  return {0, 0};
}
std::string_view Table(std::string_view font, std::string_view tag) {
  const auto [offset, length] = TableAt(font, tag);
  return font.substr(offset, length);
}
std::string_view GlyphBytes(std::string_view font, int glyph) {
  const std::string_view loca = Table(font, "loca");
  const bool long_loca = U16(Table(font, "head"), 50) == 1;
  const std::size_t start = long_loca ? U32(loca, 4 * glyph) : 2 * U16(loca, 2 * glyph);
  const std::size_t end = long_loca ? U32(loca, 4 * glyph + 4) : 2 * U16(loca, 2 * glyph + 2);
  return Table(font, "glyf").substr(start, end - start);
}

TEST(FontFileMetrics, MeasuresAndMapsAsQtDoes) {
  StartQt();
  const FontFileMetrics files;
  const QtFontMetrics qt;
  for (bool bold : {false, true}) {
    SCOPED_TRACE(bold ? "bold" : "regular");
    const report::FontSpec font{.bold = bold};
    const FontFace& face = FontFaceOf(font);
    EXPECT_EQ(face.path, FontFilePath(font));
    EXPECT_EQ(face.path, std::string("/usr/share/fonts/truetype/liberation2/LiberationSerif-") +
                             (bold ? "Bold" : "Regular") + ".ttf");
    EXPECT_EQ(&face, &FontFaceOf({.size = 3, .bold = bold}));
    // Qt read the same file: its tables are byte for byte this file's.
    const QtFace& qt_face = FaceOf(font);
    const std::string file = ReadFile(face.path);
    for (const char* tag : {"head", "glyf", "hmtx"}) {
      const QByteArray table = qt_face.raw.fontTable(tag);
      EXPECT_EQ(std::string_view(table.constData(), table.size()), Table(file, tag)) << tag;
    }
    for (int b = 0; b < 256; ++b) {
      const bool qt_drawn = qt_face.glyph[b] != QtFace::kNoGlyph;
      EXPECT_EQ(face.drawn[b], qt_drawn) << b;
      EXPECT_EQ(face.glyph[b], qt_drawn ? qt_face.glyph[b] : 0) << b;
    }
    for (double size : {5.0, 6.0, 10.0}) {
      const report::FaceMetrics mine = files.Measure({.size = size, .bold = bold});
      const report::FaceMetrics theirs = qt.Measure({.size = size, .bold = bold});
      EXPECT_NEAR(mine.ascent.value(), theirs.ascent.value(), 1e-9) << size;
      EXPECT_NEAR(mine.descent.value(), theirs.descent.value(), 1e-9) << size;
      for (int b = 0; b < 256; ++b) {
        EXPECT_NEAR(mine.advance[b], theirs.advance[b], 1e-9) << size << " byte " << b;
      }
    }
  }
}

TEST(TrueTypeFont, ReadsTheDescriptorValues) {
  const TrueTypeFont font = TrueTypeFont::Load(kRegular);
  EXPECT_EQ(font.units_per_em(), 2048);
  EXPECT_EQ(font.postscript_name(), "LiberationSerif");
  EXPECT_EQ(font.italic_angle(), 0);
  EXPECT_EQ(font.ascent(), 1825);
  EXPECT_EQ(font.descent(), 443);
  EXPECT_EQ(font.cap_height(), 1341);
  const std::string file = ReadFile(kRegular);
  const std::string_view head = Table(file, "head");
  EXPECT_EQ(font.bbox(),
            (std::array<int, 4>{std::int16_t(U16(head, 36)), std::int16_t(U16(head, 38)),
                                std::int16_t(U16(head, 40)), std::int16_t(U16(head, 42))}));
  EXPECT_EQ(font.Advance(font.GlyphFor(U'A')), 1479);
  EXPECT_EQ(font.Advance(font.GlyphFor(U'€')), 1024);
  EXPECT_EQ(font.GlyphFor(U'\x0081'), 0);
  EXPECT_EQ(font.GlyphFor(0x1F600), 0);
  EXPECT_EQ(font.Advance(font.glyph_count()), 0);
  EXPECT_NEAR(TrueTypeFont::Load("/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf")
                  .italic_angle(),
              -16.333, 1e-4);
}

// The vertical metrics are whichever FreeType picks from the font's tables:
// the same file with its tables changed, read by both.
TEST(TrueTypeFont, VerticalMetricsAreTheFontEngines) {
  StartQt();
  const std::string original = ReadFile(kRegular);
  const std::size_t hhea = TableAt(original, "hhea").first;
  const std::size_t os2 = TableAt(original, "OS/2").first;
  struct Case {
    const char* name;
    std::uint16_t hhea_ascender, hhea_descender, fs_selection, typo_ascender, typo_descender,
        win_ascent, win_descent;
  };
  for (const Case& c : {
           Case{"all differ", 1900, std::uint16_t(-400), 0x40, 1500, std::uint16_t(-500), 1700,
                600},
           Case{"typo metrics wanted", 1900, std::uint16_t(-400), 0xC0, 1500, std::uint16_t(-500),
                1700, 600},
           Case{"no header values", 0, 0, 0x40, 1500, std::uint16_t(-500), 1700, 600},
           Case{"only windows values", 0, 0, 0x40, 0, 0, 1700, 600},
           Case{"no windows values", 1900, std::uint16_t(-400), 0x40, 1500, std::uint16_t(-500), 0,
                0},
           Case{"only typographic values", 0, 0, 0x40, 1500, std::uint16_t(-500), 0, 0},
       }) {
    SCOPED_TRACE(c.name);
    std::string font = original;
    SetU16(font, hhea + 4, c.hhea_ascender);
    SetU16(font, hhea + 6, c.hhea_descender);
    SetU16(font, os2 + 62, c.fs_selection);
    SetU16(font, os2 + 68, c.typo_ascender);
    SetU16(font, os2 + 70, c.typo_descender);
    SetU16(font, os2 + 74, c.win_ascent);
    SetU16(font, os2 + 76, c.win_descent);
    const QRawFont raw(QByteArray(font.data(), font.size()), kEmPixels);
    ASSERT_TRUE(raw.isValid());
    const TrueTypeFont parsed = TrueTypeFont::Parse(font);
    EXPECT_EQ(parsed.ascent(), raw.ascent());
    EXPECT_EQ(parsed.descent(), raw.descent());
  }
}

// The glyphs a composite glyph is made of, read by flags.
std::vector<int> Components(std::string_view glyph) {
  std::vector<int> parts;
  if (glyph.empty() || std::int16_t(U16(glyph, 0)) >= 0) return parts;
  std::size_t at = 10;
  for (int flags = 0x20; flags & 0x20;) {
    flags = U16(glyph, at);
    parts.push_back(U16(glyph, at + 2));
    at += 4 + (flags & 0x01 ? 4 : 2) + (flags & 0x08 ? 2 : 0) + (flags & 0x40 ? 4 : 0) +
          (flags & 0x80 ? 8 : 0);
  }
  return parts;
}

TEST(TrueTypeFont, SubsetKeepsTheWantedOutlinesAndTheirParts) {
  StartQt();
  const std::string original = ReadFile(kRegular);
  const TrueTypeFont font = TrueTypeFont::Parse(original);
  std::vector<std::uint16_t> wanted;
  for (char32_t c : std::u32string(U"AÃçéÇ€1 ")) wanted.push_back(font.GlyphFor(c));
  // The accented letters are composites: their parts must come along.
  std::set<int> kept{0};
  int composites = 0;
  for (std::uint16_t g : wanted) {
    kept.insert(g);
    const std::vector<int> parts = Components(GlyphBytes(original, g));
    composites += !parts.empty();
    for (int part : parts) {
      EXPECT_TRUE(Components(GlyphBytes(original, part)).empty()) << part;
      kept.insert(part);
    }
  }
  ASSERT_GE(composites, 3);

  const std::string subset = font.Subset(wanted);
  EXPECT_LT(subset.size(), original.size() / 10);
  const TrueTypeFont reread = TrueTypeFont::Parse(subset);
  // Numbers end with the last glyph kept.
  ASSERT_EQ(reread.glyph_count(), *kept.rbegin() + 1);
  EXPECT_EQ(reread.units_per_em(), font.units_per_em());
  EXPECT_EQ(reread.ascent(), font.ascent());
  for (int g = 0; g < reread.glyph_count(); ++g) {
    EXPECT_EQ(reread.Advance(g), font.Advance(g)) << g;
    const std::string_view mine = GlyphBytes(subset, g);
    if (!kept.count(g)) {
      EXPECT_TRUE(mine.empty()) << g;
      continue;
    }
    // Outlines keep their bytes; only padding to four bytes may follow.
    const std::string_view theirs = GlyphBytes(original, g);
    EXPECT_EQ(mine.substr(0, theirs.size()), theirs) << g;
    EXPECT_EQ(mine.size(), (theirs.size() + 3) / 4 * 4) << g;
    EXPECT_EQ(mine.substr(theirs.size()).find_first_not_of('\0'), std::string_view::npos) << g;
  }

  // The file's structure: directory fields, sorted aligned tables, sums.
  const int count = U16(subset, 4);
  std::set<std::string> tags;
  int power = 1;
  while (power * 2 <= count) power *= 2;
  EXPECT_EQ(U16(subset, 6), 16 * power);
  EXPECT_EQ(1 << U16(subset, 8), power);
  EXPECT_EQ(U16(subset, 10), 16 * count - 16 * power);
  std::uint32_t file_sum = 0;
  for (std::size_t i = 0; i < subset.size(); i += 4) file_sum += U32(subset, i);
  EXPECT_EQ(subset.size() % 4, 0u);
  EXPECT_EQ(file_sum, 0xB1B0AFBAu);
  std::string previous;
  for (int i = 0; i < count; ++i) {
    const std::size_t record = 12 + 16 * i;
    const std::string tag = subset.substr(record, 4);
    EXPECT_LT(previous, tag);
    previous = tag;
    tags.insert(tag);
    const std::size_t offset = U32(subset, record + 8);
    EXPECT_EQ(offset % 4, 0u) << tag;
    std::string table = subset.substr(offset, (U32(subset, record + 12) + 3) / 4 * 4);
    if (tag == "head") table.replace(8, 4, 4, '\0');
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < table.size(); k += 4) sum += U32(table, k);
    EXPECT_EQ(U32(subset, record + 4), sum) << tag;
    if (tag == "maxp" || tag == "hhea") {
      // Only the glyph count and the count of full metrics change.
      std::string theirs(Table(original, tag));
      const std::string mine(Table(subset, tag));
      const std::size_t at = tag == "maxp" ? 4 : 34;
      theirs.replace(at, 2, mine.substr(at, 2));
      EXPECT_EQ(mine, theirs) << tag;
    } else if (tag == "hmtx") {
      // The metrics of the glyphs up to the last one kept.
      const std::string_view mine = Table(subset, tag);
      EXPECT_EQ(mine, Table(original, tag).substr(0, mine.size()));
    } else if (tag != "loca" && tag != "glyf" && tag != "head") {
      EXPECT_EQ(Table(subset, tag), Table(original, tag)) << tag;
    }
  }
  EXPECT_EQ(tags, (std::set<std::string>{"cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca",
                                         "maxp", "prep"}));
  EXPECT_EQ(U16(Table(subset, "head"), 50), 1);

  // The font engine draws the kept glyphs as the whole font draws them.
  const QRawFont whole(QByteArray(original.data(), original.size()), kEmPixels);
  const QRawFont part(QByteArray(subset.data(), subset.size()), kEmPixels);
  ASSERT_TRUE(part.isValid());
  for (std::uint16_t g : wanted) {
    EXPECT_EQ(part.pathForGlyph(g), whole.pathForGlyph(g)) << g;
    EXPECT_FALSE(part.pathForGlyph(g).isEmpty() && g != font.GlyphFor(U' ')) << g;
  }
}

// The font's glyph locations are long ones.
void PutLoca(std::string& font, std::size_t loca, int glyph, std::uint32_t offset) {
  SetU16(font, loca + 4 * glyph, offset >> 16);
  SetU16(font, loca + 4 * glyph + 2, offset & 0xFFFF);
}

// A composite glyph of the font with its first part's glyph number changed.
std::string WithFirstPart(std::string font, int glyph, int part) {
  const auto [glyf, length] = TableAt(font, "glyf");
  const std::string_view data = GlyphBytes(font, glyph);
  SetU16(font, glyf + (data.data() - Table(font, "glyf").data()) + 12, part);
  return font;
}

TEST(TrueTypeFont, CompositesNamingThemselvesOrMissingGlyphs) {
  const std::string original = ReadFile(kRegular);
  const TrueTypeFont font = TrueTypeFont::Parse(original);
  const std::uint16_t a_tilde = font.GlyphFor(U'Ã');
  ASSERT_FALSE(Components(GlyphBytes(original, a_tilde)).empty());

  const TrueTypeFont cycle = TrueTypeFont::Parse(WithFirstPart(original, a_tilde, a_tilde));
  const std::string subset = cycle.Subset({a_tilde});
  EXPECT_EQ(GlyphBytes(subset, a_tilde).substr(0, 12), GlyphBytes(original, a_tilde).substr(0, 12));

  const TrueTypeFont missing = TrueTypeFont::Parse(WithFirstPart(original, a_tilde, 60000));
  try {
    missing.Subset({a_tilde});
    ADD_FAILURE() << "no error";
  } catch (const FontError& e) {
    EXPECT_EQ(std::string(e.what()), "glyph " + std::to_string(a_tilde) +
                                         " is made of glyph 60000, which the font does not have");
  }
  std::string cut = original;
  const std::size_t loca = TableAt(original, "loca").first;
  PutLoca(cut, loca, a_tilde + 1, U32(original, loca + 4 * a_tilde) + 12);
  try {
    TrueTypeFont::Parse(cut).Subset({a_tilde});
    ADD_FAILURE() << "no error";
  } catch (const FontError& e) {
    EXPECT_EQ(std::string(e.what()), "font file is cut short: glyph " + std::to_string(a_tilde) +
                                         " needs 14 bytes, has 12");
  }
  // Glyph numbers beyond the font are left out, not read.
  EXPECT_EQ(TrueTypeFont::Parse(font.Subset({60000})).glyph_count(), 1);
}

TEST(TrueTypeFont, RejectsDamagedFiles) {
  const std::string original = ReadFile(kRegular);
  const std::size_t head = TableAt(original, "head").first;
  const std::size_t maxp = TableAt(original, "maxp").first;
  const std::size_t hhea = TableAt(original, "hhea").first;
  const std::size_t loca = TableAt(original, "loca").first;
  const std::size_t glyf_record = [&] {
    for (std::size_t r = 12;; r += 16) {
      if (original.substr(r, 4) == "glyf") return r;
    }
  }();
  const auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 2) {
    std::string font = original;
    if (bytes == 4) SetU16(font, at, value >> 16), at += 2;
    SetU16(font, at, value & 0xFFFF);
    return font;
  };
  std::mt19937 random(7);
  std::string noise(4000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string noise_with_version = noise;
  noise_with_version.replace(0, 4, std::string("\0\1\0\0", 4));
  struct Case {
    std::string name;
    std::string bytes;
    std::string message;  // what the message begins with
  };
  std::vector<Case> cases = {
      {"empty", "", "font file is cut short: table directory needs 4 bytes, has 0"},
      {"noise", noise, "not a TrueType font file"},
      {"noise after a version", noise_with_version, ""},
      {"PostScript outlines", "OTTO" + original.substr(4),
       "font has PostScript outlines, not TrueType ones"},
      {"cut in the directory", original.substr(0, 20),
       "font file is cut short: table directory needs 24 bytes, has 20"},
      {"table past the end", patched(glyf_record + 8, 0xFFFFFFF0, 4),
       "font table 'glyf' lies outside the file (offset 4294967280, length 311012, file 393576 "
       "bytes)"},
      {"table length past the end", patched(glyf_record + 12, 0xFFFFFFFF, 4),
       "font table 'glyf' lies outside the file (offset 26556, length 4294967295"},
      {"no glyphs", patched(maxp + 4, 0), "font has no glyphs"},
      {"no horizontal metrics", patched(hhea + 34, 0), "font has 0 horizontal metrics for"},
      {"wrong magic", patched(head + 12, 0), "font 'head' table is damaged (wrong magic)"},
      {"no units per em", patched(head + 18, 0), "font has 0 units per em, not 16 to 16384"},
      {"glyph beyond its table", patched(loca + 4 * 3, 0x7FFFFFFF, 4),
       "font 'loca' table places glyph 3 outside the 'glyf' table"},
      {"glyphs out of order", patched(loca + 4 * 10, 0, 4),
       "font 'loca' table places glyph 10 outside the 'glyf' table"},
  };
  for (int k = 0; k < 16; ++k) {
    cases.push_back(
        {"cut at " + std::to_string(k) + "/16", original.substr(0, original.size() * k / 16), ""});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      TrueTypeFont::Parse(c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const FontError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
    }
  }
  try {
    TrueTypeFont::Load("/nonexistent/font.ttf");
    ADD_FAILURE() << "no error";
  } catch (const FontError& e) {
    EXPECT_EQ(std::string(e.what()),
              "cannot read font file /nonexistent/font.ttf: No such file or directory");
  }
}

TEST(FontFilePath, RefusesFontsWithoutTrueTypeOutlines) {
  const char cff[] = "/usr/share/fonts/opentype/urw-base35/P052-Roman.otf";
  if (!std::ifstream(cff)) GTEST_SKIP() << "no " << cff;
  for (const auto& [call, message] : std::vector<std::pair<std::function<void()>, std::string>>{
           {[] { FontFilePath({.name = "P052"}); },
            "the font file found for P052 is not a TrueType font: " + std::string(cff)},
           {[&] { TrueTypeFont::Load(cff); },
            std::string(cff) + ": font has PostScript outlines, not TrueType ones"},
       }) {
    try {
      call();
      ADD_FAILURE() << "no error: " << message;
    } catch (const FontError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

}  // namespace
}  // namespace platform

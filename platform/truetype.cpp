#include "platform/truetype.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <utility>

#include "invoice/cp1252.h"

namespace platform {

namespace {

std::string TagName(std::uint32_t tag) {
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8) name += static_cast<char>((tag >> shift) & 0xFF);
  return name;
}

constexpr std::uint32_t Tag(std::string_view name) {
  return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
         std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

// A bounds-checked big-endian view of part of the file; every read outside
// it throws, naming the part, so a cut or hostile file never reads beyond
// its bytes.
class Span {
 public:
  Span() = default;
  Span(std::string_view bytes, std::string what) : bytes_(bytes), what_(std::move(what)) {}

  std::size_t size() const { return bytes_.size(); }
  std::string_view bytes() const { return bytes_; }
  const std::string& what() const { return what_; }

  void Need(std::size_t offset, std::size_t count) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset) {
      throw FontError("font file is cut short: " + what_ + " needs " +
                      std::to_string(offset + count) + " bytes, has " +
                      std::to_string(bytes_.size()));
    }
  }
  std::uint8_t U8(std::size_t offset) const {
    Need(offset, 1);
    return static_cast<std::uint8_t>(bytes_[offset]);
  }
  std::uint16_t U16(std::size_t offset) const {
    Need(offset, 2);
    return static_cast<std::uint16_t>(Byte(offset) << 8 | Byte(offset + 1));
  }
  std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  std::uint32_t U32(std::size_t offset) const {
    Need(offset, 4);
    return std::uint32_t(Byte(offset)) << 24 | std::uint32_t(Byte(offset + 1)) << 16 |
           std::uint32_t(Byte(offset + 2)) << 8 | std::uint32_t(Byte(offset + 3));
  }
  Span Sub(std::size_t offset, std::size_t count, std::string what) const {
    Need(offset, count);
    return Span(bytes_.substr(offset, count), std::move(what));
  }

 private:
  std::uint32_t Byte(std::size_t offset) const { return static_cast<std::uint8_t>(bytes_[offset]); }

  std::string_view bytes_;
  std::string what_;
};

void PutU16(std::string& out, std::size_t offset, std::uint32_t value) {
  out[offset] = static_cast<char>((value >> 8) & 0xFF);
  out[offset + 1] = static_cast<char>(value & 0xFF);
}

void PutU32(std::string& out, std::size_t offset, std::uint32_t value) {
  PutU16(out, offset, value >> 16);
  PutU16(out, offset + 2, value & 0xFFFF);
}

void AppendU16(std::string& out, std::uint32_t value) {
  out.append(2, '\0');
  PutU16(out, out.size() - 2, value);
}

void AppendU32(std::string& out, std::uint32_t value) {
  out.append(4, '\0');
  PutU32(out, out.size() - 4, value);
}

// The sum of a table as big-endian 32-bit words, the last one padded with
// zeros.
std::uint32_t Checksum(std::string_view bytes) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      word = word << 8 | (i + k < bytes.size() ? static_cast<std::uint8_t>(bytes[i + k]) : 0);
    }
    sum += word;
  }
  return sum;
}

}  // namespace

struct TrueTypeFont::Tables {
  std::map<std::uint32_t, std::string_view> table;  // by tag, inside bytes_
  std::vector<std::uint16_t> advance;               // one per glyph
  std::vector<std::uint32_t> glyph_offset;          // glyph_count + 1, inside glyf
  Span cmap;                                        // the chosen subtable
  int cmap_format = 0;                              // 4 or 12; 0: no usable cmap

  Span Glyph(std::uint16_t glyph) const {
    const std::string_view glyf = table.at(Tag("glyf"));
    return Span(glyf.substr(glyph_offset[glyph], glyph_offset[glyph + 1] - glyph_offset[glyph]),
                "glyph " + std::to_string(glyph));
  }
};

namespace {

// The character map subtable to use: the full Unicode one (format 12) first,
// then the Basic Multilingual Plane one (format 4); Windows before Unicode
// platform entries, as both must agree.
std::pair<Span, int> ChooseCmap(const Span& cmap) {
  const int count = cmap.U16(2);
  int best_rank = 0;
  std::pair<Span, int> best{Span(), 0};
  for (int i = 0; i < count; ++i) {
    const std::size_t record = 4 + 8 * std::size_t(i);
    const int platform = cmap.U16(record);
    const int encoding = cmap.U16(record + 2);
    const std::uint32_t offset = cmap.U32(record + 4);
    const int format = cmap.U16(offset);
    int rank = 0;
    if (platform == 3 && encoding == 10 && format == 12) rank = 4;
    if (platform == 0 && format == 12) rank = 3;
    if (platform == 3 && encoding == 1 && format == 4) rank = 2;
    if (platform == 0 && format == 4) rank = 1;
    if (rank <= best_rank) continue;
    // Large format 4 maps often carry a length cut to 16 bits: the table's
    // end bounds them instead.
    const std::size_t length =
        format == 12 ? cmap.U32(offset + 4) : cmap.size() - std::size_t(offset);
    Span sub = cmap.Sub(offset, length, "character map subtable " + std::to_string(i));
    // Checked here so that lookups need no checks of the arrays' ends.
    if (format == 4) {
      sub.Need(0, 16 + 4 * std::size_t(sub.U16(6)));
    } else {
      sub.Need(0, 16 + 12 * std::size_t(sub.U32(12)));
    }
    best_rank = rank;
    best = {sub, format};
  }
  return best;
}

std::string PostScriptName(std::string_view table) {
  const Span name(table, "name table");
  const int count = name.U16(2);
  const std::size_t strings = name.U16(4);
  std::string best;
  for (int i = 0; i < count; ++i) {
    const std::size_t record = 6 + 12 * std::size_t(i);
    const int platform = name.U16(record);
    if (name.U16(record + 6) != 6 || (platform != 1 && platform != 3)) continue;
    const Span text =
        name.Sub(strings + name.U16(record + 10), name.U16(record + 8), "name table string");
    std::string letters;
    // Windows names are UTF-16, Macintosh ones single bytes; only ASCII
    // letters and digits are kept, so the high byte must be zero.
    const std::size_t step = platform == 3 ? 2 : 1;
    for (std::size_t k = 0; k + step <= text.size(); k += step) {
      const unsigned c = step == 2 ? text.U16(k) : text.U8(k);
      if (c < 0x80 && std::isalnum(static_cast<int>(c))) letters += static_cast<char>(c);
    }
    if (!letters.empty() && (best.empty() || platform == 3)) best = letters;
  }
  return best.empty() ? "Font" : best;
}

}  // namespace

TrueTypeFont TrueTypeFont::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FontError("cannot read font file " + path + ": " + std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw FontError("cannot read font file " + path + ": " + std::strerror(errno));
  try {
    return Parse(std::move(bytes).str());
  } catch (const FontError& e) {
    throw FontError(path + ": " + e.what());
  }
}

TrueTypeFont TrueTypeFont::Parse(std::string bytes) {
  TrueTypeFont font;
  font.bytes_ = std::make_shared<const std::string>(std::move(bytes));
  auto tables = std::make_shared<Tables>();
  const Span file(*font.bytes_, "table directory");

  const std::uint32_t version = file.U32(0);
  if (version == Tag("OTTO")) throw FontError("font has PostScript outlines, not TrueType ones");
  if (version == Tag("ttcf")) throw FontError("font file is a collection, not a single font");
  if (version != 0x00010000 && version != Tag("true")) {
    throw FontError("not a TrueType font file (version " + std::to_string(version) + ")");
  }
  const int count = file.U16(4);
  for (int i = 0; i < count; ++i) {
    const std::size_t record = 12 + 16 * std::size_t(i);
    const std::uint32_t tag = file.U32(record);
    const std::uint32_t offset = file.U32(record + 8);
    const std::uint32_t length = file.U32(record + 12);
    if (offset > file.size() || length > file.size() - offset) {
      throw FontError("font table '" + TagName(tag) + "' lies outside the file (offset " +
                      std::to_string(offset) + ", length " + std::to_string(length) + ", file " +
                      std::to_string(file.size()) + " bytes)");
    }
    tables->table[tag] = file.bytes().substr(offset, length);
  }
  const auto table = [&](const char* name) {
    const auto it = tables->table.find(Tag(name));
    if (it == tables->table.end()) {
      throw FontError(std::string("font has no '") + name + "' table");
    }
    return Span(it->second, std::string(name) + " table");
  };

  const Span head = table("head");
  if (head.U32(12) != 0x5F0F3CF5) throw FontError("font 'head' table is damaged (wrong magic)");
  font.units_per_em_ = head.U16(18);
  if (font.units_per_em_ < 16 || font.units_per_em_ > 16384) {
    throw FontError("font has " + std::to_string(font.units_per_em_) +
                    " units per em, not 16 to 16384");
  }
  font.bbox_ = {head.I16(36), head.I16(38), head.I16(40), head.I16(42)};
  const int loca_format = head.I16(50);
  if (loca_format != 0 && loca_format != 1) {
    throw FontError("font 'head' table has an unknown glyph location format");
  }

  font.glyph_count_ = table("maxp").U16(4);
  if (font.glyph_count_ == 0) throw FontError("font has no glyphs");

  // Vertical metrics as Qt reports them: the typographic ones when the font
  // asks for them, else the Windows ones, else the horizontal header's; and
  // where all that gives nothing, FreeType's choice, the typographic ones.
  const Span hhea = table("hhea");
  int ascender = hhea.I16(4);
  int descender = hhea.I16(6);
  font.cap_height_ = font.bbox_[3];
  const auto os2_it = tables->table.find(Tag("OS/2"));
  // Qt ignores an OS/2 table too short for these values, so it is not an error.
  if (os2_it != tables->table.end() && os2_it->second.size() >= 78) {
    const Span os2(os2_it->second, "OS/2 table");
    const int typo_ascender = os2.I16(68);
    const int typo_descender = os2.I16(70);
    const int win_ascent = os2.U16(74);
    const int win_descent = os2.U16(76);
    if (os2.U16(62) & 0x80) {
      ascender = typo_ascender;
      descender = typo_descender;
    } else if (win_ascent != 0 || win_descent != 0) {
      ascender = win_ascent;
      descender = -win_descent;
    } else if (ascender == 0 && descender == 0) {
      ascender = typo_ascender;
      descender = typo_descender;
    }
    if (os2.U16(0) >= 2 && os2.size() >= 90) font.cap_height_ = os2.I16(88);
  }
  font.ascent_ = ascender;
  font.descent_ = -descender;

  const int metrics = hhea.U16(34);
  if (metrics == 0 || metrics > font.glyph_count_) {
    throw FontError("font has " + std::to_string(metrics) + " horizontal metrics for " +
                    std::to_string(font.glyph_count_) + " glyphs");
  }
  const Span hmtx = table("hmtx");
  hmtx.Need(0, 4 * std::size_t(metrics));
  tables->advance.resize(font.glyph_count_);
  for (int g = 0; g < font.glyph_count_; ++g) {
    tables->advance[g] = hmtx.U16(4 * std::size_t(std::min(g, metrics - 1)));
  }

  const Span loca = table("loca");
  const Span glyf = table("glyf");
  tables->glyph_offset.resize(font.glyph_count_ + 1);
  for (int g = 0; g <= font.glyph_count_; ++g) {
    const std::uint32_t offset = loca_format == 0 ? 2 * std::uint32_t(loca.U16(2 * std::size_t(g)))
                                                  : loca.U32(4 * std::size_t(g));
    if (offset > glyf.size() || (g > 0 && offset < tables->glyph_offset[g - 1])) {
      throw FontError("font 'loca' table places glyph " + std::to_string(g) +
                      " outside the 'glyf' table");
    }
    tables->glyph_offset[g] = offset;
  }

  // A subset has no character map; its glyphs are drawn by number.
  if (const auto cmap = tables->table.find(Tag("cmap")); cmap != tables->table.end()) {
    std::tie(tables->cmap, tables->cmap_format) = ChooseCmap(Span(cmap->second, "cmap table"));
  }

  const auto post = tables->table.find(Tag("post"));
  if (post != tables->table.end()) {
    font.italic_angle_ =
        static_cast<std::int32_t>(Span(post->second, "post table").U32(4)) / 65536.0;
  }
  const auto name = tables->table.find(Tag("name"));
  font.postscript_name_ = name != tables->table.end() ? PostScriptName(name->second) : "Font";

  font.tables_ = std::move(tables);
  return font;
}

std::uint16_t TrueTypeFont::GlyphFor(char32_t code) const {
  const Span& cmap = tables_->cmap;
  std::uint32_t glyph = 0;
  if (tables_->cmap_format == 12) {
    // Groups are sorted by character; lengths were checked in Parse.
    std::uint32_t low = 0;
    std::uint32_t high = cmap.U32(12);
    while (low < high) {
      const std::uint32_t mid = low + (high - low) / 2;
      const std::size_t group = 16 + 12 * std::size_t(mid);
      if (code < cmap.U32(group)) {
        high = mid;
      } else if (code > cmap.U32(group + 4)) {
        low = mid + 1;
      } else {
        glyph = cmap.U32(group + 8) + (code - cmap.U32(group));
        break;
      }
    }
  } else if (tables_->cmap_format == 4 && code <= 0xFFFF) {
    const std::size_t segments = cmap.U16(6) / 2;
    for (std::size_t s = 0; s < segments; ++s) {
      if (code > cmap.U16(14 + 2 * s)) continue;
      const std::uint32_t start = cmap.U16(16 + 2 * segments + 2 * s);
      if (code < start) break;
      const std::uint16_t delta = cmap.U16(16 + 4 * segments + 2 * s);
      const std::size_t range_at = 16 + 6 * segments + 2 * s;
      const std::uint16_t range = cmap.U16(range_at);
      if (range == 0) {
        glyph = (code + delta) & 0xFFFF;
      } else {
        const std::size_t at = range_at + range + 2 * (code - start);
        // A glyph array entry past the subtable is a broken map: no glyph.
        if (at + 2 > cmap.size()) break;
        const std::uint16_t g = cmap.U16(at);
        glyph = g == 0 ? 0 : (g + delta) & 0xFFFF;
      }
      break;
    }
  }
  return glyph < std::uint32_t(glyph_count_) ? static_cast<std::uint16_t>(glyph) : 0;
}

int TrueTypeFont::Advance(std::uint16_t glyph) const {
  // A glyph the font does not have draws nothing.
  return glyph < glyph_count_ ? tables_->advance[glyph] : 0;
}

std::string TrueTypeFont::Subset(const std::vector<std::uint16_t>& glyphs) const {
  // Composite glyphs name their parts; every part is kept too. The set of
  // glyphs seen ends cycles and bounds the work by the glyph count.
  constexpr int kArgsAreWords = 0x0001;
  constexpr int kHaveScale = 0x0008;
  constexpr int kMoreComponents = 0x0020;
  constexpr int kHaveXYScale = 0x0040;
  constexpr int kHaveTwoByTwo = 0x0080;
  std::vector<bool> keep(glyph_count_, false);
  std::vector<std::uint16_t> pending{0};
  // Glyphs the font does not have are left out; they draw nothing anyway.
  for (std::uint16_t g : glyphs) {
    if (g < glyph_count_) pending.push_back(g);
  }
  while (!pending.empty()) {
    const std::uint16_t g = pending.back();
    pending.pop_back();
    if (keep[g]) continue;
    keep[g] = true;
    const Span data = tables_->Glyph(g);
    if (data.size() == 0 || data.I16(0) >= 0) continue;
    std::size_t at = 10;
    for (int flags = kMoreComponents; flags & kMoreComponents;) {
      flags = data.U16(at);
      const std::uint16_t part = data.U16(at + 2);
      if (part >= glyph_count_) {
        throw FontError("glyph " + std::to_string(g) + " is made of glyph " + std::to_string(part) +
                        ", which the font does not have");
      }
      if (!keep[part]) pending.push_back(part);
      at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
      if (flags & kHaveScale) at += 2;
      if (flags & kHaveXYScale) at += 4;
      if (flags & kHaveTwoByTwo) at += 8;
    }
  }

  // Numbers past the last glyph kept are cut off: every number up to it
  // stays, so text draws as before, and the tables with an entry per glyph
  // shrink to the glyphs in use.
  int used = glyph_count_;
  while (used > 1 && !keep[used - 1]) --used;

  std::string glyf;
  std::string loca;
  for (int g = 0; g < used; ++g) {
    AppendU32(loca, static_cast<std::uint32_t>(glyf.size()));
    if (!keep[g]) continue;
    glyf += tables_->Glyph(static_cast<std::uint16_t>(g)).bytes();
    glyf.append((4 - glyf.size() % 4) % 4, '\0');
  }
  AppendU32(loca, static_cast<std::uint32_t>(glyf.size()));

  std::map<std::uint32_t, std::string> out;
  for (const char* name : {"head", "hhea", "maxp", "hmtx", "cvt ", "fpgm", "prep"}) {
    const auto it = tables_->table.find(Tag(name));
    if (it != tables_->table.end()) out[it->first] = std::string(it->second);
  }
  out[Tag("glyf")] = std::move(glyf);
  out[Tag("loca")] = std::move(loca);
  std::string& head = out[Tag("head")];
  PutU32(head, 8, 0);   // checkSumAdjustment, set once the file is whole
  PutU16(head, 50, 1);  // long glyph locations
  PutU16(out[Tag("maxp")], 4, static_cast<std::uint32_t>(used));
  std::string& hhea = out[Tag("hhea")];
  const int metrics = Span(hhea, "hhea").U16(34);
  const int kept_metrics = std::min(metrics, used);
  PutU16(hhea, 34, static_cast<std::uint32_t>(kept_metrics));
  // Full metrics first, then the left side bearings of the glyphs after
  // them.
  std::string& hmtx = out[Tag("hmtx")];
  std::string metrics_kept = hmtx.substr(0, 4 * std::size_t(kept_metrics));
  if (used > metrics) {
    const std::size_t bearings = 2 * std::size_t(used - metrics);
    metrics_kept += hmtx.substr(metrics_kept.size(), bearings);
    metrics_kept.resize(4 * std::size_t(metrics) + bearings, '\0');
  }
  hmtx = std::move(metrics_kept);

  const int count = static_cast<int>(out.size());
  int power = 1;
  int selector = 0;
  while (power * 2 <= count) {
    power *= 2;
    ++selector;
  }
  std::string file;
  AppendU32(file, 0x00010000);
  AppendU16(file, count);
  AppendU16(file, 16 * power);
  AppendU16(file, selector);
  AppendU16(file, 16 * (count - power));
  std::size_t offset = 12 + 16 * std::size_t(count);
  for (const auto& [tag, bytes] : out) {
    AppendU32(file, tag);
    AppendU32(file, Checksum(bytes));
    AppendU32(file, static_cast<std::uint32_t>(offset));
    AppendU32(file, static_cast<std::uint32_t>(bytes.size()));
    offset += (bytes.size() + 3) / 4 * 4;
  }
  std::size_t head_at = 0;
  for (const auto& [tag, bytes] : out) {
    if (tag == Tag("head")) head_at = file.size();
    file += bytes;
    file.append((4 - file.size() % 4) % 4, '\0');
  }
  PutU32(file, head_at + 8, 0xB1B0AFBA - Checksum(file));
  return file;
}

namespace {

bool EndsWithFontSuffix(std::string_view path) {
  if (path.size() < 4) return false;
  std::string suffix(path.substr(path.size() - 4));
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return suffix == ".ttf" || suffix == ".otf";
}

}  // namespace

std::string FontFilePath(const report::FontSpec& font) {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  // Loading the configuration scans the font folders; once per process.
  static FcConfig* config = FcInitLoadConfigAndFonts();
  const std::string wanted = font.name + (font.bold ? " bold" : "");
  if (!config) throw FontError("fontconfig cannot load its configuration");

  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                        &FcPatternDestroy);
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(font.name.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
      FcFontMatch(config, pattern.get(), &result), &FcPatternDestroy);
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) {
    throw FontError("no font file found for " + wanted);
  }
  const std::string path(reinterpret_cast<const char*>(file));
  FcChar8* format = nullptr;
  int index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  if (FcPatternGetString(match.get(), FC_FONTFORMAT, 0, &format) != FcResultMatch ||
      std::string_view(reinterpret_cast<const char*>(format)) != "TrueType" || index != 0 ||
      !EndsWithFontSuffix(path)) {
    throw FontError("the font file found for " + wanted + " is not a TrueType font: " + path);
  }
  return path;
}

const FontFace& FontFaceOf(const report::FontSpec& font) {
  static std::mutex mutex;
  // Kept to the end of the process: callers hold references to the faces.
  static auto* faces = new std::map<std::pair<std::string, bool>, std::unique_ptr<FontFace>>;
  const std::lock_guard lock(mutex);
  std::unique_ptr<FontFace>& face = (*faces)[{font.name, font.bold}];
  if (face) return *face;
  const std::string path = FontFilePath(font);
  auto loaded =
      std::make_unique<FontFace>(FontFace{.path = path, .font = TrueTypeFont::Load(path)});
  for (int b = 0x20; b < 256; ++b) {
    loaded->glyph[b] =
        loaded->font.GlyphFor(invoice::Cp1252CodePoint(static_cast<unsigned char>(b)));
    loaded->drawn[b] = true;
  }
  face = std::move(loaded);
  return *face;
}

report::FaceMetrics FontFileMetrics::Measure(const report::FontSpec& wanted) const {
  const FontFace& face = FontFaceOf(wanted);
  const double scale = (wanted.size * 254.0 / 72.0) / face.font.units_per_em();
  report::FaceMetrics metrics;
  metrics.ascent = report::Tenths(face.font.ascent() * scale);
  metrics.descent = report::Tenths(face.font.descent() * scale);
  for (int b = 0; b < 256; ++b) {
    metrics.advance[b] = face.drawn[b] ? face.font.Advance(face.glyph[b]) * scale : 0;
  }
  return metrics;
}

}  // namespace platform

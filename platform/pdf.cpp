#include "platform/pdf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <utility>
#include <variant>
#include <vector>

#include "invoice/cp1252.h"
#include "platform/truetype.h"

namespace platform {

namespace {

// PDF points per tenth of a millimetre.
constexpr double kPointsPerTenth = 72.0 / 254.0;

// Locale-independent numbers, shortest fixed form with at most `decimals`.
void AppendNumber(std::string& out, double value, int decimals = 4) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  if (text.find('.') != std::string_view::npos) {
    while (text.back() == '0') text.remove_suffix(1);
    if (text.back() == '.') text.remove_suffix(1);
  }
  if (text == "-0") text = "0";
  out += text;
}

void AppendInt(std::string& out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                Z_BEST_SPEED) != Z_OK) {
    throw OutputError("Cannot compress a PDF stream");
  }
  out.resize(size);
  return out;
}

// A text string of the document information: ASCII as it is, anything else
// as UTF-16 with a byte-order mark.
std::string TextString(const std::string& utf8) {
  const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
  if (ascii) {
    std::string out = "(";
    for (char c : utf8) {
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += c;
    }
    return out + ")";
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  auto unit = [&](unsigned u) {
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 0xF];
  };
  // The title comes from our own code, so it is valid UTF-8.
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    char32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += static_cast<size_t>(length);
    if (code >= 0x10000) {
      code -= 0x10000;
      unit(0xD800 + (code >> 10));
      unit(0xDC00 + (code & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out + ">";
}

std::string Hex4(unsigned value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out(4, '0');
  for (int i = 3; i >= 0; --i, value >>= 4) out[i] = kHex[value & 0xF];
  return out;
}

// A face as the file uses it: the glyphs its text needs.
struct UsedFace {
  const FontFace* face = nullptr;
  std::string resource;                      // F1, F2, ...
  std::map<std::uint16_t, char32_t> glyphs;  // glyph -> the character it shows first
  int first_object = 0;  // Type0 font; then CIDFont, descriptor, file, ToUnicode
};

struct UsedImage {
  const report::Picture* picture = nullptr;
  std::string resource;  // Im1, Im2, ...
  int object = 0;        // the image; its soft mask, if any, follows
  bool has_mask = false;
};

const void* PictureKey(const report::Picture& picture) {
  if (picture.mono()) return picture.mono();
  return picture.rgba();
}

bool HasTransparency(const report::RgbaImage& image) {
  return std::any_of(image.pixels.begin(), image.pixels.end(),
                     [](std::uint32_t p) { return (p >> 24) != 0xFF; });
}

class Writer {
 public:
  explicit Writer(const report::Document& document) : document_(document) {}

  std::string Write() {
    if (document_.pages.empty()) throw OutputError("The document has no page");
    CollectResources();
    out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    WriteCatalog();
    for (const auto& [key, face] : faces_) WriteFont(face);
    for (const auto& [key, image] : images_) WriteImage(image);
    for (size_t i = 0; i < document_.pages.size(); ++i) WritePage(i);
    WriteTrailer();
    return std::move(out_);
  }

 private:
  static constexpr int kCatalog = 1;
  static constexpr int kPages = 2;
  static constexpr int kInfo = 3;
  static constexpr int kResources = 4;

  void CollectResources() {
    int next = kResources + 1;
    for (const report::Page& page : document_.pages) {
      for (const report::PageItem& item : page.items()) {
        if (const auto* text = std::get_if<report::TextRun>(&item)) {
          UsedFace& used = FaceFor(text->font, next);
          for (const unsigned char byte : text->bytes) {
            if (!used.face->drawn[byte]) continue;
            used.glyphs.try_emplace(used.face->glyph[byte], invoice::Cp1252CodePoint(byte));
          }
        } else if (const auto* image = std::get_if<report::ImageItem>(&item)) {
          if (image->picture.empty()) continue;
          auto [it, added] = images_.try_emplace(PictureKey(image->picture));
          if (!added) continue;
          UsedImage& used = it->second;
          used.picture = &image->picture;
          used.resource = "Im" + std::to_string(images_.size());
          used.object = next++;
          if (const report::RgbaImage* rgba = image->picture.rgba()) {
            used.has_mask = HasTransparency(*rgba);
            if (used.has_mask) ++next;
          }
        }
      }
    }
    first_page_object_ = next;
  }

  UsedFace& FaceFor(const report::FontSpec& font, int& next) {
    const FontFace& face = FontFaceOf(font);
    auto [it, added] = faces_.try_emplace(&face);
    if (added) {
      it->second.face = &face;
      it->second.resource = "F" + std::to_string(faces_.size());
      it->second.first_object = next;
      next += 5;
    }
    return it->second;
  }

  void BeginObject(int number) {
    if (static_cast<int>(offsets_.size()) <= number) offsets_.resize(number + 1, 0);
    offsets_[number] = out_.size();
    AppendInt(out_, number);
    out_ += " 0 obj\n";
  }
  void EndObject() { out_ += "\nendobj\n"; }

  // A stream object; `dictionary` holds the entries besides the length.
  void WriteStream(int number, const std::string& dictionary, std::string_view data,
                   bool compress = true) {
    const std::string packed = compress ? Deflate(data) : std::string(data);
    BeginObject(number);
    out_ += "<<" + dictionary;
    if (compress) out_ += "/Filter/FlateDecode";
    out_ += "/Length ";
    AppendInt(out_, static_cast<long long>(packed.size()));
    out_ += ">>\nstream\n";
    out_ += packed;
    out_ += "\nendstream";
    EndObject();
  }

  void WriteCatalog() {
    BeginObject(kCatalog);
    out_ += "<</Type/Catalog/Pages 2 0 R>>";
    EndObject();

    BeginObject(kPages);
    out_ += "<</Type/Pages/Kids[";
    for (size_t i = 0; i < document_.pages.size(); ++i) {
      if (i > 0) out_ += ' ';
      AppendInt(out_, first_page_object_ + 2 * static_cast<int>(i));
      out_ += " 0 R";
    }
    out_ += "]/Count ";
    AppendInt(out_, static_cast<long long>(document_.pages.size()));
    out_ += ">>";
    EndObject();

    BeginObject(kInfo);
    out_ += "<</Title" + TextString(document_.title) + "/Creator(danfe)/Producer(danfe)>>";
    EndObject();

    BeginObject(kResources);
    out_ += "<</ProcSet[/PDF/Text/ImageB/ImageC]";
    if (!faces_.empty()) {
      out_ += "/Font<<";
      for (const auto& [key, face] : faces_) {
        out_ += "/" + face.resource + " ";
        AppendInt(out_, face.first_object);
        out_ += " 0 R";
      }
      out_ += ">>";
    }
    if (!images_.empty()) {
      out_ += "/XObject<<";
      for (const auto& [key, image] : images_) {
        out_ += "/" + image.resource + " ";
        AppendInt(out_, image.object);
        out_ += " 0 R";
      }
      out_ += ">>";
    }
    out_ += ">>";
    EndObject();
  }

  // Six capital letters that name the subset, the same for the same glyphs.
  static std::string SubsetTag(const UsedFace& used) {
    std::uint32_t hash = 2166136261u;
    for (const auto& [glyph, code] : used.glyphs) hash = (hash ^ glyph) * 16777619u;
    std::string tag(6, 'A');
    for (char& c : tag) {
      c = static_cast<char>('A' + hash % 26);
      hash /= 26;
    }
    return tag;
  }

  void WriteFont(const UsedFace& used) {
    const TrueTypeFont& font = used.face->font;
    const double to_thousandths = 1000.0 / font.units_per_em();
    const std::string name = SubsetTag(used) + "+" + font.postscript_name();
    const int n = used.first_object;

    BeginObject(n);
    out_ += "<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[";
    AppendInt(out_, n + 1);
    out_ += " 0 R]/ToUnicode ";
    AppendInt(out_, n + 4);
    out_ += " 0 R>>";
    EndObject();

    BeginObject(n + 1);
    out_ += "<</Type/Font/Subtype/CIDFontType2/BaseFont/" + name +
            "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor ";
    AppendInt(out_, n + 2);
    out_ += " 0 R/CIDToGIDMap/Identity/DW 0/W[";
    for (const auto& [glyph, code] : used.glyphs) {
      AppendInt(out_, glyph);
      out_ += '[';
      AppendNumber(out_, font.Advance(glyph) * to_thousandths);
      out_ += ']';
    }
    out_ += "]>>";
    EndObject();

    BeginObject(n + 2);
    out_ += "<</Type/FontDescriptor/FontName/" + name + "/Flags 34/FontBBox[";
    const std::array<int, 4> box = font.bbox();
    for (size_t i = 0; i < box.size(); ++i) {
      if (i > 0) out_ += ' ';
      AppendNumber(out_, box[i] * to_thousandths);
    }
    out_ += "]/ItalicAngle ";
    AppendNumber(out_, font.italic_angle());
    out_ += "/Ascent ";
    AppendNumber(out_, font.ascent() * to_thousandths);
    out_ += "/Descent ";
    AppendNumber(out_, -font.descent() * to_thousandths);
    out_ += "/CapHeight ";
    AppendNumber(out_, font.cap_height() * to_thousandths);
    out_ += "/StemV 80/FontFile2 ";
    AppendInt(out_, n + 3);
    out_ += " 0 R>>";
    EndObject();

    std::vector<std::uint16_t> glyphs;
    for (const auto& [glyph, code] : used.glyphs) glyphs.push_back(glyph);
    const std::string subset = font.Subset(glyphs);
    std::string dictionary = "/Length1 ";
    AppendInt(dictionary, static_cast<long long>(subset.size()));
    WriteStream(n + 3, dictionary, subset);

    WriteStream(n + 4, "", ToUnicode(used));
  }

  static std::string ToUnicode(const UsedFace& used) {
    std::string cmap =
        "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
        "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
    std::vector<std::pair<std::uint16_t, char32_t>> entries(used.glyphs.begin(), used.glyphs.end());
    // At most 100 entries per block.
    for (size_t start = 0; start < entries.size(); start += 100) {
      const size_t end = std::min(entries.size(), start + 100);
      AppendInt(cmap, static_cast<long long>(end - start));
      cmap += " beginbfchar\n";
      for (size_t i = start; i < end; ++i) {
        cmap += "<" + Hex4(entries[i].first) + "><" + Hex4(entries[i].second) + ">\n";
      }
      cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
    return cmap;
  }

  void WriteImage(const UsedImage& used) {
    const report::Picture& picture = *used.picture;
    std::string dictionary = "/Type/XObject/Subtype/Image/Width ";
    AppendInt(dictionary, picture.width());
    dictionary += "/Height ";
    AppendInt(dictionary, picture.height());
    if (const report::MonoBitmap* mono = picture.mono()) {
      // A set bit is black.
      dictionary += "/ColorSpace/DeviceGray/BitsPerComponent 1/Decode[1 0]";
      const size_t row = (static_cast<size_t>(mono->width()) + 7) / 8;
      std::string bits;
      bits.reserve(row * static_cast<size_t>(mono->height()));
      for (int y = 0; y < mono->height(); ++y) {
        bits.append(reinterpret_cast<const char*>(mono->row(y)), row);
      }
      WriteStream(used.object, dictionary, bits);
      return;
    }
    const report::RgbaImage& rgba = *picture.rgba();
    dictionary += "/ColorSpace/DeviceRGB/BitsPerComponent 8";
    if (used.has_mask) {
      dictionary += "/SMask ";
      AppendInt(dictionary, used.object + 1);
      dictionary += " 0 R";
    }
    std::string rgb;
    rgb.reserve(rgba.pixels.size() * 3);
    for (const std::uint32_t p : rgba.pixels) {
      rgb += static_cast<char>((p >> 16) & 0xFF);
      rgb += static_cast<char>((p >> 8) & 0xFF);
      rgb += static_cast<char>(p & 0xFF);
    }
    WriteStream(used.object, dictionary, rgb);
    if (!used.has_mask) return;
    std::string alpha;
    alpha.reserve(rgba.pixels.size());
    for (const std::uint32_t p : rgba.pixels) alpha += static_cast<char>(p >> 24);
    std::string mask = "/Type/XObject/Subtype/Image/Width ";
    AppendInt(mask, rgba.width);
    mask += "/Height ";
    AppendInt(mask, rgba.height);
    mask += "/ColorSpace/DeviceGray/BitsPerComponent 8";
    WriteStream(used.object + 1, mask, alpha);
  }

  void WritePage(size_t index) {
    const int page_object = first_page_object_ + 2 * static_cast<int>(index);
    BeginObject(page_object);
    out_ += "<</Type/Page/Parent 2 0 R/MediaBox[0 0 ";
    AppendNumber(out_, document_.page_width.value() * kPointsPerTenth);
    out_ += ' ';
    AppendNumber(out_, document_.page_height.value() * kPointsPerTenth);
    out_ += "]/Resources 4 0 R/Contents ";
    AppendInt(out_, page_object + 1);
    out_ += " 0 R>>";
    EndObject();
    WriteStream(page_object + 1, "", Content(document_.pages[index]));
  }

  // The page's display list in tenths of a millimetre from the top-left
  // corner: one transform turns it into PDF's points from the bottom left.
  std::string Content(const report::Page& page) const {
    ContentWriter content(*this);
    content.Begin(document_.page_height.value() * kPointsPerTenth);
    for (const report::PageItem& item : page.items()) std::visit(content, item);
    return content.Finish();
  }

  class ContentWriter {
   public:
    explicit ContentWriter(const Writer& writer) : writer_(writer) {}

    void Begin(double page_height_points) {
      AppendNumber(s_, kPointsPerTenth, 8);
      s_ += " 0 0 ";
      AppendNumber(s_, -kPointsPerTenth, 8);
      s_ += " 0 ";
      AppendNumber(s_, page_height_points, 8);
      s_ += " cm 0 w 0 J 0 j\n";
    }
    std::string Finish() {
      LeaveText();
      return std::move(s_);
    }

    void operator()(const report::FillRect& f) {
      LeaveText();
      SetFill(f.color);
      Rect(f.box);
      s_ += " re f\n";
    }
    void operator()(const report::StrokeRect& r) {
      LeaveText();
      SetDash(r.pen);
      Rect(r.box);
      s_ += " re S\n";
    }
    void operator()(const report::Line& l) {
      LeaveText();
      SetDash(l.pen);
      Point(l.x1.value(), l.y1.value());
      s_ += " m ";
      Point(l.x2.value(), l.y2.value());
      s_ += " l S\n";
    }
    void operator()(const report::TextRun& t) {
      const FontFace& face = FontFaceOf(t.font);
      std::string glyphs;
      for (const unsigned char byte : t.bytes) {
        if (face.drawn[byte]) glyphs += Hex4(face.glyph[byte]);
      }
      if (glyphs.empty()) return;
      if (!in_text_) {
        SetFill(report::kBlack);
        s_ += "BT\n";
        in_text_ = true;
      }
      const double size = t.font.size * 254.0 / 72.0;
      if (&face != face_ || size != size_) {
        s_ += "/" + writer_.faces_.at(&face).resource + " ";
        AppendNumber(s_, size, 6);
        s_ += " Tf\n";
        face_ = &face;
        size_ = size;
      }
      // Glyphs advance by the font's own widths, the ones the layout
      // measured: the text lands where the layout put it.
      s_ += "1 0 0 -1 ";
      Point(t.x.value(), t.baseline.value());
      s_ += " Tm<" + glyphs + ">Tj\n";
    }
    void operator()(const report::ImageItem& i) {
      LeaveText();
      if (i.picture.empty()) return;
      s_ += "q ";
      Rect(i.clip);
      s_ += " re W n ";
      AppendNumber(s_, i.dest.width.value());
      s_ += " 0 0 ";
      AppendNumber(s_, -i.dest.height.value());
      s_ += ' ';
      Point(i.dest.left.value(), i.dest.bottom().value());
      s_ += " cm/" + writer_.images_.at(PictureKey(i.picture)).resource + " Do Q\n";
    }

   private:
    void LeaveText() {
      if (!in_text_) return;
      s_ += "ET\n";
      in_text_ = false;
    }
    void Point(double x, double y) {
      AppendNumber(s_, x);
      s_ += ' ';
      AppendNumber(s_, y);
    }
    void Rect(const report::Box& b) {
      Point(b.left.value(), b.top.value());
      s_ += ' ';
      Point(b.width.value(), b.height.value());
    }
    void SetFill(report::Rgb color) {
      if (color == fill_) return;
      fill_ = color;
      AppendNumber(s_, color.r / 255.0);
      s_ += ' ';
      AppendNumber(s_, color.g / 255.0);
      s_ += ' ';
      AppendNumber(s_, color.b / 255.0);
      s_ += " rg\n";
    }
    // 1.0 mm dashes, 0.3 mm dots and gaps.
    void SetDash(report::PenStyle pen) {
      if (pen == dash_) return;
      dash_ = pen;
      switch (pen) {
        case report::PenStyle::kSolid:
          s_ += "[]0 d\n";
          break;
        case report::PenStyle::kDash:
          s_ += "[10 3]0 d\n";
          break;
        case report::PenStyle::kDot:
          s_ += "[3 3]0 d\n";
          break;
        case report::PenStyle::kDashDot:
          s_ += "[10 3 3 3]0 d\n";
          break;
        case report::PenStyle::kDashDotDot:
          s_ += "[10 3 3 3 3 3]0 d\n";
          break;
      }
    }

    const Writer& writer_;
    std::string s_;
    bool in_text_ = false;
    const FontFace* face_ = nullptr;
    double size_ = 0;
    report::Rgb fill_ = report::kBlack;
    report::PenStyle dash_ = report::PenStyle::kSolid;
  };

  void WriteTrailer() {
    const size_t xref = out_.size();
    const int count = static_cast<int>(offsets_.size());
    out_ += "xref\n0 ";
    AppendInt(out_, count);
    out_ += "\n0000000000 65535 f \n";
    char line[21];
    for (int i = 1; i < count; ++i) {
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets_[i]);
      out_.append(line, 20);
    }
    out_ += "trailer\n<</Size ";
    AppendInt(out_, count);
    out_ += "/Root 1 0 R/Info 3 0 R>>\nstartxref\n";
    AppendInt(out_, static_cast<long long>(xref));
    out_ += "\n%%EOF\n";
  }

  const report::Document& document_;
  std::map<const FontFace*, UsedFace> faces_;
  std::map<const void*, UsedImage> images_;
  int first_page_object_ = 0;
  std::vector<size_t> offsets_;
  std::string out_;
};

// Every byte to the descriptor; false with errno set when one write failed.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

std::string PdfBytes(const report::Document& document) { return Writer(document).Write(); }

void WritePdf(const report::Document& document, const std::string& path) {
  const std::string bytes = PdfBytes(document);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw OutputError("Cannot write the PDF file " + path);
  const bool written = WriteAll(fd, bytes);
  if (::close(fd) != 0 || !written) throw OutputError("Cannot write the PDF file " + path);
}

void WritePdfFile(const report::Document& document, const std::string& path) {
  auto fail = [&](const std::string& reason) {
    throw OutputError(invoice::Utf8ToCp1252("N\u00e3o foi poss\u00edvel gravar o PDF \"" + path +
                                            "\": " + reason));
  };
  const std::filesystem::path target(path);
  if (target.filename().empty()) fail(std::strerror(EISDIR));
  // The whole file is made before anything touches the folder.
  const std::string bytes = PdfBytes(document);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) fail(std::strerror(errno));
  // mkstemp makes the file private; a PDF gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  // Written through the descriptor mkstemp opened: the name is never opened
  // again, so nobody can swap a link in for it in a shared folder. The bytes
  // reach the disk before the name points at them.
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int error = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temporary.c_str());
    fail(written ? "falha ao escrever o arquivo" : std::strerror(error));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int rename_error = errno;
    ::unlink(temporary.c_str());
    fail(std::strerror(rename_error));
  }
}

}  // namespace platform

#include "invoice/ini_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "invoice/error.h"

namespace invoice {
namespace {

struct TextCase {
  const char* file;
  const char* section;
  const char* key;
  const char* expected;
};

TEST(IniReaderTest, ReadText) {
  const TextCase cases[] = {
      // Names compare without regard to case.
      {"[CHAVEACESSO]\nID=123\n", "chaveacesso", "id", "123"},
      {"[Danfe]\nPreview=S\n", "DANFE", "PREVIEW", "S"},
      {"[det nItem=2]\nxProd=B\n", "DET NITEM=2", "xprod", "B"},
      {"[\xC1gua]\nk=1\n", "\xE1gua", "K", "1"},
      // The number is part of the name.
      {"[det nItem=02]\nxProd=B\n", "det nItem=2", "xProd", "(default)"},
      // Missing section or key gives the default; an empty value does not.
      {"[ide]\nnNF=1\n", "emit", "xNome", "(default)"},
      {"[ide]\nnNF=1\n", "ide", "serie", "(default)"},
      {"[enderEmit]\nnro=\n", "enderEmit", "nro", ""},
      // Blanks around names and values.
      {" \t[ ide ] \t\n \tnatOp \t=  \tVENDA  A  \t\n", "ide", "natOp", "VENDA  A"},
      // Quotes: one matching pair goes.
      {"[a]\nk=\"quoted\"\n", "a", "k", "quoted"},
      {"[a]\nk='single'\n", "a", "k", "single"},
      {"[a]\nk=\"  inner  \"\n", "a", "k", "  inner  "},
      {"[a]\nk=\"one end\n", "a", "k", "\"one end"},
      {"[a]\nk=\"mixed'\n", "a", "k", "\"mixed'"},
      {"[a]\nk=\"\n", "a", "k", "\""},
      {"[a]\nk=\"\"\n", "a", "k", ""},
      // The value runs past further "=" signs.
      {"[a]\nk=x=y\n", "a", "k", "x=y"},
      {"[a]\n=v\n", "a", "", "v"},
      // Line ends: CRLF, LF, lone CR, none at the end.
      {"[a]\r\nk=crlf\r\nz=1\r\n", "a", "k", "crlf"},
      {"[a]\rk=cr\rz=1", "a", "k", "cr"},
      {"[a]\nk=last", "a", "k", "last"},
      // Comments, lines without "=", keys before any section.
      {"[a]\n;k=comment\n", "a", ";k", "(default)"},
      {"[a]\n  ; k=comment\n", "a", "; k", "(default)"},
      {"[a]\nnot a key\nk=1\n", "a", "not a key", "(default)"},
      {"k=outside\n[a]\n", "a", "k", "(default)"},
      // First occurrence wins, for keys and for sections.
      {"[a]\nk=first\nK=second\n", "a", "k", "first"},
      {"[a]\nk=first\n[b]\n[A]\nk=second\nj=2\n", "a", "k", "first"},
      {"[a]\nk=first\n[b]\n[A]\nk=second\nj=2\n", "a", "j", "(default)"},
      // A section name holding "=" and one cut by the last "]".
      {"[dup=1]\nvDup=10.00\n", "dup=1", "vDup", "10.00"},
      {"[a]b]\nk=1\n", "a]b", "k", "1"},
      // Bytes pass through unchanged; a UTF-8 file shows two bytes per accent.
      {"[emit]\nxNome=S\xC3O PAULO \x80\n", "emit", "xNome", "S\xC3O PAULO \x80"},
      {"[emit]\nxNome=S\xC3\x83O\n", "emit", "xNome", "S\xC3\x83O"},
      // A UTF-8 byte-order mark does not hide the first section.
      {"\xEF\xBB\xBF[ide]\nnNF=5\n", "ide", "nNF", "5"},
  };
  for (const auto& c : cases) {
    const IniFile ini = IniFile::Parse(c.file);
    EXPECT_EQ(ini.ReadText(c.section, c.key, "(default)"), c.expected)
        << "file: " << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniReaderTest, ValuesAreCutAt2047CharactersAndAtNul) {
  const std::string long_value(3000, 'x');
  const IniFile ini = IniFile::Parse("[infAdic]\ninfCpl=" + long_value +
                                     "\n[b]\nk=" + std::string("ab\0cd", 5) + "\n");
  EXPECT_EQ(ini.ReadText("infAdic", "infCpl", ""), std::string(2047, 'x'));
  EXPECT_EQ(ini.ReadText("b", "k", ""), "ab");
}

TEST(IniReaderTest, ReadInt) {
  struct Case {
    const char* value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"10", 10},
      {"0x0A", 10},
      {"0X0a", 10},
      {"$0A", 10},
      {"x1F", 31},
      {"-3", -3},
      {"+7", 7},
      {"-$10", -16},
      {"'  12'", 12},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", -99},
      {"-2147483649", -99},
      {"$80000000", -99},
      {"$7FFFFFFF", 2147483647},
      {"10.0", -99},
      {"10a", -99},
      {"", -99},
      {"three", -99},
      {"0x", -99},
      {"$", -99},
      {"-", -99},
      {"1 2", -99},
      {"0x-1", -99},
      {"99999999999999999999", -99},
      {"'1 '", -99},
  };
  for (const auto& c : cases) {
    const IniFile ini = IniFile::Parse(std::string("[DadosNota]\nn=") + c.value + "\n");
    EXPECT_EQ(ini.ReadInt("DadosNota", "n", -99), c.expected) << "value: " << c.value;
  }
  EXPECT_EQ(IniFile::Parse("").ReadInt("DadosNota", "n", 0), 0);
}

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("ini_reader_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

std::string LoadFailure(const std::filesystem::path& path) {
  try {
    IniFile::Load(path);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no failure)";
}

TEST(IniReaderTest, LoadReadsTheFile) {
  TempDir dir;
  const auto file = dir.Write("nota.ini", "[ide]\r\nnNF=1234\r\n");
  EXPECT_EQ(IniFile::Load(file).ReadInt("ide", "nNF", 0), 1234);
}

TEST(IniReaderTest, LoadFailsWithPathAndReason) {
  TempDir dir;
  EXPECT_EQ(LoadFailure(dir.path() / "missing.ini"), "N\xE3o foi poss\xEDvel ler o arquivo \"" +
                                                         (dir.path() / "missing.ini").string() +
                                                         "\": No such file or directory");
  EXPECT_EQ(LoadFailure(dir.path()),
            "N\xE3o foi poss\xEDvel ler o arquivo \"" + dir.path().string() + "\": Is a directory");
  if (::geteuid() != 0) {  // root reads every file
    const auto locked = dir.Write("locked.ini", "[ide]\nnNF=1\n");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(LoadFailure(locked), "N\xE3o foi poss\xEDvel ler o arquivo \"" + locked.string() +
                                       "\": Permission denied");
  }
}

TEST(IniReaderTest, HostileInputParsesInLinearTime) {
  std::mt19937 rng(7);
  std::string noise(8 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  const std::string nuls(8 << 20, '\0');
  // Many sections and keys, and one very long line.
  std::string many;
  for (int i = 0; i < 200000; ++i)
    many += "[det nItem=" + std::to_string(i) + "]\nxProd=item " + std::to_string(i) + "\n";
  const std::string long_line = "[a]\nk=" + std::string(50 << 20, 'v') + "\n";

  const auto start = std::chrono::steady_clock::now();
  IniFile::Parse(noise);
  IniFile::Parse(nuls);
  EXPECT_EQ(IniFile::Parse(many).ReadText("DET NITEM=199999", "XPROD", ""), "item 199999");
  EXPECT_EQ(IniFile::Parse(long_line).ReadText("a", "k", "").size(), IniFile::kMaxValueLength);
  // A generous bound that only a quadratic parse would exceed.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(IniReaderTest, MovedFileKeepsItsValues) {
  IniFile a = IniFile::Parse("[s]\nk=v\n");
  IniFile b = std::move(a);
  EXPECT_EQ(b.ReadText("s", "k", ""), "v");
}

}  // namespace
}  // namespace invoice

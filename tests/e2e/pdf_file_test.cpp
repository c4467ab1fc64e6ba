// ArquivoPDF: the DANFE written as a PDF file, without any print system.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::string Invoice(int items, const std::string& danfe_options) {
  std::string file = "[ide]\nnNF=77\nserie=2\n[emit]\nxNome=EMITENTE DE TESTE\n[Danfe]\n" +
                     danfe_options + "[DadosNota]\nnum_itens_na_nota=" + std::to_string(items) +
                     "\n";
  for (int i = 1; i <= items; ++i)
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=COD" + std::to_string(i) +
            "\nxProd=ITEM\nqCom=1\nvUnCom=1.00\nvProd=1.00\n";
  return file;
}

std::string Read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// No display and no print server: a PDF file needs neither.
const std::map<std::string, std::string> kBare = {
    {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"CUPS_SERVER", "/nonexistent/cups.sock"}};

TEST(PdfFileTest, WritesTheWholeDanfe) {
  TempDir dir;
  const auto pdf = dir.path() / "saída com espaço.pdf";
  const auto ini =
      dir.Write("nota.ini", Invoice(85, "Exportar=S\nArquivoPDF=" + dir.path().string() +
                                            "/sa\xED"
                                            "da com espa\xE7o.pdf\n"));
  const Result r = Exec({DanfeBinary(), ini.string()}, kBare);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"nota.ini", "saída com espaço.pdf"}));

  const auto info = PdfInfo(pdf);
  EXPECT_EQ(info.at("Title"), "DANFE");
  EXPECT_EQ(info.at("Pages"), "3");
  EXPECT_EQ(info.at("Page size"), "595.276 x 841.89 pts (A4)");  // 210 x 297 mm
  const std::string text = PdfText(pdf);
  for (const char* word : {"FL 1/3", "FL 3/3", "EMITENTE DE TESTE", "SÉRIE 002"})
    EXPECT_NE(text.find(word), std::string::npos) << word;

  // Both faces embedded; only the glyphs in use, so the whole file stays far
  // below the size of the two font files alone (about 750 kB).
  const Result fonts = Exec({"/usr/bin/pdffonts", pdf.string()});
  std::istringstream lines(fonts.out);
  std::string line;
  int font_lines = 0;
  while (std::getline(lines, line)) {
    if (line.find("LiberationSerif") == std::string::npos) continue;
    ++font_lines;
    EXPECT_NE(line.find(" yes "), std::string::npos) << line;
  }
  EXPECT_EQ(font_lines, 2) << fonts.out;
  EXPECT_LT(std::filesystem::file_size(pdf), 150u * 1024);
  const Result check = Exec({"/usr/bin/qpdf", "--check", pdf.string()});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST(PdfFileTest, FailuresLeaveTheEarlierFile) {
  TempDir dir;
  const auto pdf = dir.Write("danfe.pdf", "earlier file");
  struct Case {
    std::string options;
    std::string extra;  // more data file lines
    std::string message;
  };
  const std::string path = pdf.string();
  const Case cases[] = {
      // The preview comes first, and needs a window.
      {"Preview=S\nArquivoPDF=" + path + "\n", "",
       "Danfe: A opção Preview=S precisa de uma janela, mas não há tela gráfica (DISPLAY); "
       "nada foi impresso.\n"},
      // A step before the output fails.
      {"ArquivoPDF=" + path + "\n", "[ide]\nserie=\n", "Danfe: '' is not a valid integer value.\n"},
  };
  for (const auto& c : cases) {
    const auto ini = dir.Write("nota.ini", c.extra + Invoice(3, c.options));
    const Result r = Exec({DanfeBinary(), ini.string()}, kBare);
    EXPECT_EQ(r.status, 1) << c.options;
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(Read(pdf), "earlier file");
  }
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"danfe.pdf", "nota.ini"}));
}

TEST(PdfFileTest, UnwritableFolders) {
  TempDir dir;
  const std::string missing = (dir.path() / "no such folder" / "danfe.pdf").string();
  Result r =
      Exec({DanfeBinary(), dir.Write("a.ini", Invoice(1, "ArquivoPDF=" + missing + "\n"))}, kBare);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Danfe: Não foi possível gravar o PDF \"" + missing +
                       "\": No such file or directory.\n");

  const std::string folder_target = dir.path().string();
  r = Exec({DanfeBinary(), dir.Write("b.ini", Invoice(1, "ArquivoPDF=" + folder_target + "/\n"))},
           kBare);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Danfe: Não foi possível gravar o PDF \"" + folder_target + "/\": Is a directory.\n");

  // A folder the user may not write, with an earlier PDF in it: run as an
  // ordinary user, since root writes everywhere.
  const auto locked = dir.path() / "locked";
  std::filesystem::create_directories(locked);
  std::ofstream(locked / "danfe.pdf") << "earlier file";
  const auto ini =
      dir.Write("c.ini", Invoice(1, "ArquivoPDF=" + (locked / "danfe.pdf").string() + "\n"));
  ::chmod(locked.c_str(), 0555);
  ::chmod(dir.path().c_str(), 0755);
  ::chmod(ini.c_str(), 0644);
  std::vector<std::string> argv = {DanfeBinary(), ini.string()};
  if (::geteuid() == 0)
    argv.insert(argv.begin(),
                {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  r = Exec(argv, kBare);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Danfe: Não foi possível gravar o PDF \"" + (locked / "danfe.pdf").string() +
                       "\": Permission denied.\n");
  EXPECT_EQ(Read(locked / "danfe.pdf"), "earlier file");
  EXPECT_EQ(Entries(locked), (std::vector<std::string>{"danfe.pdf"}));
  ::chmod(locked.c_str(), 0755);
}

// The PDF file needs none of the desktop module: a program copied without
// it still writes the file, and a run that does need it says why it cannot.
TEST(PdfFileTest, NeedsNoDesktopModule) {
  TempDir dir;
  const auto program = dir.path() / "danfe";
  std::filesystem::copy_file(DanfeBinary(), program);
  const auto pdf = dir.path() / "danfe.pdf";
  Result r = Exec({program.string(),
                   dir.Write("a.ini", Invoice(30, "ArquivoPDF=" + pdf.string() + "\n")).string()},
                  kBare);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(PdfInfo(pdf).at("Pages"), "2");

  r = Exec({program.string(), dir.Write("b.ini", Invoice(1, "Exportar=S\n")).string()}, kBare);
  EXPECT_EQ(r.status, 1);
  const std::string module = (dir.path() / "libdanfe-desktop.so").string();
  EXPECT_EQ(r.err, "Danfe: Não foi possível carregar a parte gráfica do programa (" + module +
                       "): " + module +
                       ": cannot open shared object file: No such file or "
                       "directory.\n");
}

}  // namespace
}  // namespace e2e

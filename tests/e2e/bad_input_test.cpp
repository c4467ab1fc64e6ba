// Hostile and broken data files through the whole program: every run ends
// by itself with the exit status and message the run rules give, prints
// either one whole DANFE or nothing, and leaves the data file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const std::string kExport = "[Danfe]\nExportar=S\n";

std::string Item(int n, const std::string& extra = "") {
  const std::string i = std::to_string(n);
  return "[det nItem=" + i + "]\ncProd=P" + i + "\nxProd=ITEM " + i +
         "\nqCom=1\nvUnCom=1.00\nvProd=1.00\n" + extra;
}

std::string Items(int count) {
  std::string file = "[DadosNota]\nnum_itens_na_nota=" + std::to_string(count) + "\n";
  for (int i = 1; i <= count; ++i) file += Item(i);
  return file;
}

std::string Noise(size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// The bytes of a string literal, NULs included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

timespec ModificationTime(const fs::path& file) {
  struct stat st {};
  ::stat(file.c_str(), &st);
  return st.st_mtim;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

const std::string kLogoMessage = "Erro: Não foi possível carregar imagem, tipo inválido.\n";
const std::string kNoWindow =
    "Danfe: A opção showSetup=S precisa de uma janela, mas não há tela gráfica (DISPLAY); nada "
    "foi impresso.\n";

struct Case {
  Case(std::string name, std::string data, int status, std::string err, std::string printed,
       std::string file_name = "nota.ini", std::string logo = "")
      : name(std::move(name)),
        data(std::move(data)),
        status(status),
        err(std::move(err)),
        printed(std::move(printed)),
        file_name(std::move(file_name)),
        logo(std::move(logo)) {}
  std::string name;
  std::string data;     // the data file's bytes
  int status;           // 0 printed, 1 a step failed, 2 bad argument
  std::string err;      // standard error, exactly
  std::string printed;  // a text the printed DANFE shows; empty: nothing printed
  std::string file_name;
  std::string logo;  // a file beside the program, "ext:bytes" for logo.ext; "/" a folder logo.bmp
};

class BadInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::geteuid() != 0) return;
    cups_ = new PrivateCups({"PDFCreator", "Default"}, "Default");
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }
  void SetUp() override {
    if (!cups_) GTEST_SKIP() << "a private cupsd needs root";
  }

  // Runs the program (a copy beside the logo when there is one) on the case's
  // file from inside the file's folder, and checks everything the run leaves.
  void Check(const Case& c, const std::vector<std::string>& prefix = {}) {
    SCOPED_TRACE(c.name);
    cups_->Clear();
    TempDir dir;
    std::string program = DanfeBinary();
    if (!c.logo.empty()) {
      program = CopyProgram(dir.path());
      if (c.logo == "/") {
        fs::create_directory(dir.path() / "logo.bmp");
      } else {
        dir.Write("logo." + c.logo.substr(0, c.logo.find(':')),
                  c.logo.substr(c.logo.find(':') + 1));
      }
    }
    const fs::path file = dir.Write(c.file_name, c.data);
    // An old time, so that any write would show.
    const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 123'456'789}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    ::chmod(dir.path().c_str(), 0755);
    if (!prefix.empty()) ::chmod(file.c_str(), 0);

    std::vector<std::string> argv = prefix;
    // From inside the folder, so that a name with a leading dash is the
    // first argument exactly as written.
    argv.insert(argv.end(), {"/usr/bin/env", "-C", dir.path().string(), program, c.file_name});
    const auto start = std::chrono::steady_clock::now();
    const Result r = Exec(argv, {{"CUPS_SERVER", cups_->server()}, {"DISPLAY", ""}}, 120);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_LT(seconds, 60);

    const auto pdfs = cups_->Pdfs("PDFCreator");
    EXPECT_TRUE(cups_->Pdfs("Default").empty());
    if (c.printed.empty()) {
      EXPECT_TRUE(pdfs.empty());
    } else {
      EXPECT_EQ(pdfs.size(), 1u);
      if (pdfs.size() == 1) {
        EXPECT_NE(PdfText(pdfs.front()).find(c.printed), std::string::npos);
      }
    }

    ::chmod(file.c_str(), 0644);
    EXPECT_TRUE(Read(file) == c.data) << "the data file changed";
    const timespec after = ModificationTime(file);
    EXPECT_EQ(after.tv_sec, times[1].tv_sec);
    EXPECT_EQ(after.tv_nsec, times[1].tv_nsec);
  }

  static PrivateCups* cups_;
};

PrivateCups* BadInputTest::cups_ = nullptr;

TEST_F(BadInputTest, DataFiles) {
  const std::string big_filler = [] {
    std::string s = "[filler]\n";
    const std::string line = "chave=" + std::string(90, 'x') + "\n";
    while (s.size() < 50u * 1024 * 1024) s += line;
    return s;
  }();
  const std::string st_item =
      "[DadosNota]\nnum_itens_na_nota=1\n"
      "[det nItem=1]\nqCom=0\nvUnCom=10.00\nvProd=0\nIPI_vIPI=1.50\nICMS_vICMSST=2.00\n";
  const Case cases[] = {
      {"empty file", "", 1, kNoWindow, ""},
      {"binary noise", Noise(64 * 1024), 1, kNoWindow, ""},
      {"binary noise, then options", Noise(64 * 1024) + "\n" + kExport, 0, "", "SEM VALOR FISCAL"},
      {"50 MB", "[emit]\nxNome=EMITENTE GRANDE\n" + kExport + big_filler, 0, "", "EMITENTE GRANDE"},
      {"NUL bytes inside values",
       Bytes("[emit]\nxNome=ANTES\0DEPOIS\n[dest]\nxNome=\0\n") + kExport, 0, "", "ANTES"},
      {"no trailing newline", "[emit]\nxNome=SEM FIM\n[Danfe]\nExportar=S", 0, "", "SEM FIM"},
      {"CR-only line ends", Replace("[emit]\nxNome=SO CR\n" + kExport + Items(2), "\n", "\r"), 0,
       "", "ITEM 2"},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + kExport + "[emit]\nxNome=COM BOM\n", 0, "",
       "COM BOM"},
      {"serie empty", "[ide]\nserie=\n" + kExport, 1, "Danfe: '' is not a valid integer value.\n",
       ""},
      {"money with thousands separators", "[ICMSTot]\nvNF=1,234.56\n" + kExport, 1,
       "Danfe: '1,234,56' is not a valid floating point value.\n", ""},
      {"vUnCom missing",
       "[DadosNota]\nnum_itens_na_nota=1\n[det nItem=1]\nqCom=1\nvProd=1.00\n" + kExport, 1,
       "Danfe: '' is not a valid floating point value.\n", ""},
      {"qCom 0 with IPI and ST", st_item + kExport, 1, "Danfe: Floating point division by zero.\n",
       ""},
      {"3000-character infCpl",
       "[infAdic]\ninfCpl=INICIO" + std::string(3000, 'A') + "\n" + kExport, 0, "", "INICIO"},
      {"10^4 items", Items(10000) + kExport, 0, "", "ITEM 10000"},
      {"path with spaces, quotes, a leading dash and accents",
       "[emit]\nxNome=NOME ESTRANHO\n" + kExport, 0, "", "NOME ESTRANHO",
       "-nota 'com' \"aspas\" e ação.ini"},
      {"logo that is a folder", "[DadosNota]\nNomeLogoDanfe=logo.bmp\n" + kExport, 0, "",
       "SEM VALOR FISCAL", "nota.ini", "/"},
      {"truncated GIF", "[DadosNota]\nNomeLogoDanfe=logo.gif\n" + kExport, 0,
       kLogoMessage + kLogoMessage, "SEM VALOR FISCAL", "nota.ini",
       Bytes("gif:GIF89a\x10\x00\x10\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00,\x00")},
      {"20000 x 20000 bitmap header", "[DadosNota]\nNomeLogoDanfe=logo.bmp\n" + kExport, 0,
       kLogoMessage + kLogoMessage, "SEM VALOR FISCAL", "nota.ini",
       Bytes("bmp:BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00"
             "\x28\x00\x00\x00\x20\x4E\x00\x00\x20\x4E\x00\x00\x01\x00\x18\x00"
             "\x00\x00\x00\x00\x00\x00\x00\x00\x13\x0B\x00\x00\x13\x0B\x00\x00"
             "\x00\x00\x00\x00\x00\x00\x00\x00")},
  };
  for (const Case& c : cases) Check(c);
}

TEST_F(BadInputTest, PathsThatCannotBeRead) {
  TempDir dir;
  const std::string folder = dir.path().string();
  const Result r =
      Exec({DanfeBinary(), folder}, {{"CUPS_SERVER", cups_->server()}, {"DISPLAY", ""}});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Danfe: O Arquivo informado \"" + folder + "\"  não existe\n");
  EXPECT_TRUE(cups_->Pdfs("PDFCreator").empty());

  // Root reads every file: the unreadable one is tried as an ordinary user.
  Check({"unreadable file", kExport, 1,
         "Danfe: Não foi possível ler o arquivo \"nota.ini\": Permission denied.\n", ""},
        {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
}

// Counts far beyond the sections present end at once, in little memory,
// with what the rules give: missing installments print empty parts, and the
// first missing item fails on its missing unit price.
TEST_F(BadInputTest, HostileCounts) {
  const Case cases[] = {
      {"2147483647 installments",
       "[DadosNota]\nnum_parcelas=2147483647\n[dup=1]\nnDup=001\ndVenc=2013-01-10\nvDup=100.00\n"
       "[dup=2]\nnDup=002\ndVenc=2013-02-10\nvDup=200.00\n" +
           kExport,
       0, "", "100,00 | 002 - 10/02/2013 - 200,00"},
      {"2147483647 installments, a bad one far away",
       "[DadosNota]\nnum_parcelas=2147483647\n[dup=2000000000]\nvDup=1,5.0\n" + kExport, 1,
       "Danfe: '1,5,0' is not a valid floating point value.\n", ""},
      {"2147483647 items",
       "[DadosNota]\nnum_itens_na_nota=2147483647\n" + Item(1) + Item(2) + kExport, 1,
       "Danfe: '' is not a valid floating point value.\n", ""},
  };
  for (const Case& c : cases) Check(c);
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 1024L * 1024) << "kB at most in any run";
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// No job on the server, queued or done, and no PDF from either queue.
void ExpectNothingPrinted(const PrivateCups& cups) {
  const Result jobs = Exec({"/usr/bin/lpstat", "-h", cups.server(), "-W", "all", "-o"});
  EXPECT_EQ(jobs.out, "");
  EXPECT_TRUE(cups.Pdfs("PDFCreator").empty());
  EXPECT_TRUE(cups.Pdfs("Default").empty());
}

// Faults of the print system: each ends the run at once with a message and
// a failed status, and leaves no job behind that could print later.
TEST(PrintSystemFaultTest, FaultsAreReported) {
  if (::geteuid() != 0) GTEST_SKIP() << "a private cupsd needs root";
  struct Fault {
    std::string name;
    std::vector<std::string> command;  // run against the server; "SOCKET" is its socket
    std::string options;
    std::string err;
  };
  const Fault faults[] = {
      {"PDFCreator stopped",
       {"/usr/sbin/cupsdisable", "-h", "SOCKET", "PDFCreator"},
       "Exportar=S\n",
       "Danfe: A impressora \"PDFCreator\" está parada; o DANFE não foi impresso.\n"},
      {"PDFCreator rejecting jobs",
       {"/usr/sbin/cupsreject", "-h", "SOCKET", "PDFCreator"},
       "Exportar=S\n",
       "Danfe: A impressora \"PDFCreator\" não está aceitando trabalhos; o DANFE não foi "
       "impresso.\n"},
      {"default printer stopped",
       {"/usr/sbin/cupsdisable", "-h", "SOCKET", "Default"},
       "showSetup=N\n",
       "Danfe: A impressora \"Default\" está parada; o DANFE não foi impresso.\n"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    PrivateCups cups({"PDFCreator", "Default"}, "Default");
    std::vector<std::string> command = f.command;
    for (std::string& word : command)
      if (word == "SOCKET") word = cups.server();
    const Result set_up = Exec(command);
    ASSERT_EQ(set_up.status, 0) << set_up.err;
    TempDir dir;
    const auto file = dir.Write(
        "nota.ini", "[Danfe]\n" + f.options + Item(1) + "[DadosNota]\nnum_itens_na_nota=1\n");
    const Result r =
        Exec({DanfeBinary(), file.string()}, {{"CUPS_SERVER", cups.server()}, {"DISPLAY", ""}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, f.err);
    ExpectNothingPrinted(cups);
  }
}

// The printer chosen in the print dialog goes away before OK is pressed: the
// run says so and prints nothing, not even on another printer.
TEST(PrintSystemFaultTest, PrinterRemovedWhileTheDialogIsOpen) {
  if (::geteuid() != 0) GTEST_SKIP() << "a private cupsd needs root";
  Xvfb screen;
  PrivateCups cups({"PDFCreator", "Default"}, "Default");
  TempDir dir;
  const auto file = dir.Write("nota.ini", Item(1) + "[DadosNota]\nnum_itens_na_nota=1\n");
  Background program(
      {DanfeBinary(), file.string()},
      {{"DISPLAY", screen.display()}, {"CUPS_SERVER", cups.server()}, {"QT_QPA_PLATFORM", "xcb"}});
  const unsigned long dialog = FindWindow(screen.display(), "^Imprimir DANFE$");
  ASSERT_NE(dialog, 0u) << "no print dialog";
  const Result removed = Exec({"/usr/sbin/lpadmin", "-h", cups.server(), "-x", "Default"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  PressKeys(screen.display(), dialog, "Return");

  const unsigned long box = FindWindow(screen.display(), "^Danfe$");
  ASSERT_NE(box, 0u) << "no error box";
  // Qt draws the box's text itself and offers no way to read it from outside
  // on X11; the box is there and the run fails, with nothing printed.
  PressKeys(screen.display(), box, "Return");
  const unsigned long main_window = FindWindow(screen.display(), "^DANFE$");
  ASSERT_NE(main_window, 0u) << "no main window";
  CloseWindow(screen.display(), main_window);
  EXPECT_EQ(program.Wait(10), 1);
  ExpectNothingPrinted(cups);
}

// Servers that cannot be asked anything: each run ends by itself within the
// connection's bound with the reason, before any printer is chosen.
TEST(PrintSystemFaultTest, ServersThatDoNotAnswer) {
  if (::geteuid() != 0) GTEST_SKIP() << "a private cupsd needs root";
  TempDir dir;
  const auto file = dir.Write("nota.ini", kExport + Item(1) + "[DadosNota]\nnum_itens_na_nota=1\n");
  auto bound_socket = [&](const std::string& name) {
    const std::string path = (dir.path() / name).string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return std::pair(path, fd);
  };
  // A socket that nobody listens on, as a crashed server leaves it.
  const auto [dead, dead_fd] = bound_socket("dead.sock");
  ::close(dead_fd);
  // One that takes every connection and request but never writes a byte,
  // as a server stuck in a lock does: the kernel completes the connections.
  const auto [silent, silent_fd] = bound_socket("silent.sock");
  ASSERT_EQ(::listen(silent_fd, 16), 0);
  const std::string missing = (dir.path() / "no-such.sock").string();
  const std::string not_reached = "\"; o DANFE não foi impresso.\n";
  const struct {
    std::string server;
    std::string err;
  } servers[] = {
      {dead, "Danfe: Não foi possível conectar ao servidor de impressão \"" + dead + not_reached},
      {missing,
       "Danfe: Não foi possível conectar ao servidor de impressão \"" + missing + not_reached},
      {silent, "Danfe: O servidor de impressão \"" + silent +
                   "\" não respondeu em 15 segundos; o DANFE não foi impresso.\n"},
  };
  for (const auto& s : servers) {
    SCOPED_TRACE(s.server);
    const auto start = std::chrono::steady_clock::now();
    const Result r =
        Exec({DanfeBinary(), file.string()}, {{"CUPS_SERVER", s.server}, {"DISPLAY", ""}}, 120);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, s.err);
    // The 15 s wait for the first answer, and some start-up.
    EXPECT_LT(seconds, 25);
  }
  ::close(silent_fd);
}

}  // namespace
}  // namespace e2e

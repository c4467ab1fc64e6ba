// The program against a real print system: a private cupsd with CUPS-PDF
// queues, and the PDFs they write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::string Invoice(int items, const std::string& danfe_options) {
  std::string file = "[ide]\nnNF=1234\nserie=1\n[Danfe]\n" + danfe_options +
                     "[DadosNota]\nnum_itens_na_nota=" + std::to_string(items) + "\n";
  for (int i = 1; i <= items; ++i)
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=P" + std::to_string(i) +
            "\nxProd=ITEM\nqCom=1\nvUnCom=1.00\nvProd=1.00\n";
  return file;
}

class PrintTest : public ::testing::Test {
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
    cups_->Clear();
  }

  // Runs build/danfe on the file without a display.
  Result Danfe(const std::string& invoice, const std::string& server = "") {
    const auto file = dir_.Write("nota.ini", invoice);
    return Exec({DanfeBinary(), file.string()},
                {{"CUPS_SERVER", server.empty() ? cups_->server() : server},
                 {"DISPLAY", ""},
                 {"WAYLAND_DISPLAY", ""}});
  }

  static PrivateCups* cups_;
  TempDir dir_;
};

PrivateCups* PrintTest::cups_ = nullptr;

TEST_F(PrintTest, OptionsChooseTheQueue) {
  struct Case {
    const char* options;
    const char* queue;
  };
  const Case cases[] = {
      {"Exportar=S\n", "PDFCreator"},
      {"Preview=N\nExportar=S\nLayoutIden=quirena\n", "PDFCreator"},
      {"LayoutIden=quirena\nshowSetup=S\n", "Default"},
      {"showSetup=N\n", "Default"},
      {"showSetup=\n", "Default"},
      {"Exportar=s\nshowSetup=s\n", "Default"},
  };
  for (const auto& c : cases) {
    cups_->Clear();
    const Result r = Danfe(Invoice(85, c.options));
    EXPECT_EQ(r.status, 0) << c.options << r.err;
    const auto pdfs = cups_->Pdfs(c.queue);
    ASSERT_EQ(pdfs.size(), 1u) << c.options;
    const auto info = PdfInfo(pdfs.front());
    // The queue names the file after the job.
    EXPECT_EQ(pdfs.front().filename().string().substr(0, 6), "DANFE_") << c.options;
    EXPECT_EQ(info.at("Title"), "DANFE") << c.options;
    EXPECT_EQ(info.at("Pages"), "3") << c.options;
    EXPECT_EQ(info.at("Page size"), "595 x 842 pts (A4)");
    const char* other = std::string(c.queue) == "Default" ? "PDFCreator" : "Default";
    EXPECT_TRUE(cups_->Pdfs(other).empty()) << c.options;
  }
}

// The sheet label counts the sheets the report really has: 27 item rows
// fit on one sheet.
TEST_F(PrintTest, SheetLabelsShowTheRealCount) {
  struct Case {
    int items;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {27, {"FL 1/1"}},
      {28, {"FL 1/2", "FL 2/2"}},
      {85, {"FL 1/3", "FL 2/3", "FL 3/3"}},
  };
  for (const auto& c : cases) {
    cups_->Clear();
    ASSERT_EQ(Danfe(Invoice(c.items, "Exportar=S\n")).status, 0);
    const auto pdfs = cups_->Pdfs("PDFCreator");
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(PdfInfo(pdfs.front()).at("Pages"), std::to_string(c.labels.size()));
    const std::string text = PdfText(pdfs.front());
    for (const auto& label : c.labels)
      EXPECT_NE(text.find(label), std::string::npos) << c.items << " items: " << label;
  }
}

// Descriptions of one to three lines make the sheets; none of the 200 items
// may go missing on the way to paper.
TEST_F(PrintTest, EveryItemReachesPaperOnce) {
  std::mt19937 rng(42);
  std::string file = "[Danfe]\nExportar=S\n[DadosNota]\nnum_itens_na_nota=200\n";
  for (int i = 1; i <= 200; ++i) {
    std::string description = "PRODUTO";
    const int words = std::uniform_int_distribution<int>(0, 14)(rng);
    for (int w = 0; w < words; ++w) description += " COMPONENTE";
    char code[16];
    std::snprintf(code, sizeof code, "K%04dX", i);
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=" + code + "\nxProd=" + description +
            "\nqCom=1\nvUnCom=1.00\nvProd=1.00\n";
  }
  ASSERT_EQ(Danfe(file).status, 0);
  const auto pdfs = cups_->Pdfs("PDFCreator");
  ASSERT_EQ(pdfs.size(), 1u);
  const int sheets = std::stoi(PdfInfo(pdfs.front()).at("Pages"));
  EXPECT_GT(sheets, 4);
  const std::string text = PdfText(pdfs.front());
  auto count = [&](const std::string& word) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(word, at)) != std::string::npos; at += word.size()) ++n;
    return n;
  };
  for (int i = 1; i <= 200; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "K%04dX", i);
    EXPECT_EQ(count(code), 1u) << code;
  }
  for (int n = 1; n <= sheets; ++n) {
    const std::string label = "FL " + std::to_string(n) + "/" + std::to_string(sheets);
    EXPECT_EQ(count(label), 1u) << label;
  }
}

TEST_F(PrintTest, NothingIsPrinted) {
  struct Case {
    const char* invoice;
    int status;
    const char* message;  // on standard error
  };
  const std::string printable = Invoice(3, "Exportar=S\n");
  const Case cases[] = {
      {"[CHAVEACESSO]\nID=43241212345678000190550010000012341000012345\n[Danfe]\nExportar=S\n", 0,
       ""},
      {"[ProtocoloRecebimento]\nnProt=143240000012345\n[Danfe]\nExportar=S\n", 0, ""},
      {"[ide]\nserie=\n[Danfe]\nExportar=S\n", 1, "Danfe: '' is not a valid integer value.\n"},
      {"[Danfe]\nPreview=S\nExportar=S\n", 1,
       "Danfe: A opção Preview=S precisa de uma janela, mas não há tela gráfica (DISPLAY); nada "
       "foi impresso.\n"},
      {"[Danfe]\n", 1,
       "Danfe: A opção showSetup=S precisa de uma janela, mas não há tela gráfica (DISPLAY); nada "
       "foi impresso.\n"},
  };
  for (const auto& c : cases) {
    const Result r = Danfe(c.invoice);
    EXPECT_EQ(r.status, c.status) << c.invoice;
    EXPECT_EQ(r.err, c.message) << c.invoice;
    EXPECT_TRUE(cups_->Pdfs("PDFCreator").empty()) << c.invoice;
    EXPECT_TRUE(cups_->Pdfs("Default").empty()) << c.invoice;
  }
}

TEST_F(PrintTest, BadArguments) {
  const std::string binary = DanfeBinary();
  const std::map<std::string, std::string> env = {{"CUPS_SERVER", cups_->server()},
                                                  {"DISPLAY", ""}};
  Result r = Exec({binary}, env);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Danfe: Parâmetro Inválido\n");
  r = Exec({binary, "", dir_.Write("nota.ini", "").string()}, env);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Danfe: Parâmetro Inválido\n");
  r = Exec({binary, "/no/such file.ini"}, env);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Danfe: O Arquivo informado \"/no/such file.ini\"  não existe\n");
  r = Exec({binary, dir_.path().string()}, env);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Danfe: O Arquivo informado \"" + dir_.path().string() + "\"  não existe\n");
}

// Queue sets of their own, each on a server of its own.
struct QueueCase {
  std::vector<std::string> queues;
  std::string default_queue;
  std::string expected_queue;  // empty: no job
  int status;
  std::string message;
};

TEST(PrinterChoiceTest, PdfCreatorByWholeNameIgnoringCase) {
  if (::geteuid() != 0) GTEST_SKIP() << "a private cupsd needs root";
  const QueueCase cases[] = {
      {{"pdfcreator", "Default"}, "Default", "pdfcreator", 0, ""},
      {{"PDFCreator2", "Default"}, "Default", "Default", 0, ""},
      {{}, "", "", 1, "Danfe: Nenhuma impressora está instalada; o DANFE não foi impresso.\n"},
  };
  for (const auto& c : cases) {
    PrivateCups cups(c.queues, c.default_queue);
    TempDir dir;
    const auto file = dir.Write("nota.ini", Invoice(3, "Exportar=S\n"));
    const Result r =
        Exec({DanfeBinary(), file.string()}, {{"CUPS_SERVER", cups.server()}, {"DISPLAY", ""}});
    EXPECT_EQ(r.status, c.status) << c.expected_queue << r.err;
    EXPECT_EQ(r.err, c.message);
    for (const auto& queue : c.queues)
      EXPECT_EQ(cups.Pdfs(queue).size(), queue == c.expected_queue ? 1u : 0u) << queue;
  }
}

}  // namespace
}  // namespace e2e

#include "app/output_step.h"

#include <gtest/gtest.h>

#include "invoice/ini_reader.h"

namespace app {
namespace {

struct FakeOutput : ReportOutput {
  int pages = 3;
  bool confirm = true;
  PrintSettings chosen;
  std::vector<std::string> printers = {"Default", "PDFCreator"};
  std::vector<std::string> calls;

  int Prepare() override {
    calls.push_back("prepare");
    return pages;
  }
  void Preview() override { calls.push_back("preview"); }
  void Print(const PrintSettings& s) override {
    calls.push_back("print " + std::to_string(s.first_page) + "-" + std::to_string(s.last_page) +
                    " on " + std::to_string(s.printer_index) + " x" + std::to_string(s.copies));
  }
  bool PrinterSetup(PrintSettings& s, int n) override {
    calls.push_back("setup 1-" + std::to_string(n));
    if (confirm) s = chosen;
    return confirm;
  }
  std::vector<std::string> PrinterNames() override {
    calls.push_back("printers");
    return printers;
  }
  void WritePdfFile(const std::string& path, int first, int last) override {
    calls.push_back("pdf " + path + " " + std::to_string(first) + "-" + std::to_string(last));
  }
};

using Calls = std::vector<std::string>;

Calls Output(const std::string& danfe_section, FakeOutput& out) {
  int total_sheets = -1;
  RunOutputStep(invoice::IniFile::Parse(danfe_section), out, [&](int n) {
    EXPECT_EQ(out.calls, Calls{"prepare"});
    total_sheets = n;
  });
  EXPECT_EQ(total_sheets, out.pages);
  return out.calls;
}

TEST(OutputStepTest, DecisionTable) {
  struct Case {
    const char* file;
    Calls calls;
  };
  const Case cases[] = {
      {"[Danfe]\nPreview=S\n", {"prepare", "preview"}},
      {"[Danfe]\nPreview=S\nExportar=S\n", {"prepare", "preview"}},
      {"[DANFE]\npreview=S\n", {"prepare", "preview"}},
      {"[Danfe]\nExportar=S\n", {"prepare", "printers", "print 1-3 on 1 x1"}},
      {"[Danfe]\nPreview=s\nExportar=S\nLayoutIden=quirena\n",
       {"prepare", "printers", "print 1-3 on 1 x1"}},
      // A PDF file instead of printing: no printer, no dialog.
      {"[Danfe]\nArquivoPDF=/tmp/a b.pdf\n", {"prepare", "pdf /tmp/a b.pdf 1-3"}},
      {"[Danfe]\nArquivoPDF=/tmp/nota\xE7\xE3o.pdf\nExportar=S\n",
       {"prepare", "pdf /tmp/nota\xC3\xA7\xC3\xA3o.pdf 1-3"}},
      {"[Danfe]\nPreview=S\nArquivoPDF=/tmp/a.pdf\n", {"prepare", "preview"}},
      {"[Danfe]\nArquivoPDF=\nExportar=S\n", {"prepare", "printers", "print 1-3 on 1 x1"}},
      {"[Danfe]\nLayoutIden=quirena\nshowSetup=S\n", {"prepare", "prepare", "print 1-3 on -1 x1"}},
      {"[Danfe]\nLayoutIden=Quirena\n", {"prepare", "prepare", "setup 1-3", "print 0-0 on 0 x2"}},
      {"", {"prepare", "prepare", "setup 1-3", "print 0-0 on 0 x2"}},
      {"[Danfe]\nshowSetup=S\n", {"prepare", "prepare", "setup 1-3", "print 0-0 on 0 x2"}},
      {"[Danfe]\nshowSetup=N\n", {"prepare", "prepare", "print 1-3 on -1 x1"}},
      {"[Danfe]\nshowSetup=s\n", {"prepare", "prepare", "print 1-3 on -1 x1"}},
      {"[Danfe]\nshowSetup=\n", {"prepare", "prepare", "print 1-3 on -1 x1"}},
      {"[Danfe]\nPreview=\nExportar=Sim\n",
       {"prepare", "prepare", "setup 1-3", "print 0-0 on 0 x2"}},
  };
  for (const auto& c : cases) {
    FakeOutput out;
    out.chosen = {.first_page = 0, .last_page = 0, .printer_index = 0, .copies = 2};
    EXPECT_EQ(Output(c.file, out), c.calls) << c.file;
  }
}

TEST(OutputStepTest, CancelledDialogPrintsNothing) {
  FakeOutput out;
  out.confirm = false;
  EXPECT_EQ(Output("", out), (Calls{"prepare", "prepare", "setup 1-3"}));
}

TEST(OutputStepTest, PdfCreatorIsFoundByWholeNameIgnoringCase) {
  FakeOutput out;
  out.printers = {"Laser", "pdfcreator"};
  EXPECT_EQ(Output("[Danfe]\nExportar=S\n", out).back(), "print 1-3 on 1 x1");
  FakeOutput other;
  other.printers = {"Laser", "PDFCreator2"};
  EXPECT_EQ(Output("[Danfe]\nExportar=S\n", other).back(), "print 1-3 on -1 x1");
  EXPECT_EQ(FindPrinter({}, "PDFCreator"), -1);
  EXPECT_EQ(FindPrinter({"a", "PDFCREATOR", "PDFCreator"}, "PDFCreator"), 1);
}

}  // namespace
}  // namespace app

// The DANFE's own costs, with the installed fonts: the fill steps, one report
// pass and the PDF of one page, for invoices of 25, 1000 and 100000 items.
// Every third item's description wraps over several lines of the grid.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

#include "danfe/danfe.h"
#include "danfe/test_invoice.h"
#include "invoice/ini_reader.h"
#include "platform/pdf.h"
#include "platform/truetype.h"

namespace {

struct NoDesktop : danfe::Services {
  std::filesystem::path ProgramFolder() override { return "/nonexistent"; }
  report::Picture LoadPicture(const std::filesystem::path&) override {
    throw std::runtime_error("no pictures here");
  }
  void ShowLogoError() override {}
};

invoice::IniFile Invoice(int items) {
  danfe::testing::InvoiceFile file;
  for (int i = 1; i <= items; ++i) {
    file.AddItem(danfe::testing::InvoiceFile::Code(i),
                 i % 3 == 0 ? "ARGAMASSA COLANTE AC-II 20 KG CINZA PARA PORCELANATO E "
                              "CER\xC2MICA EM \xC1REAS INTERNAS E EXTERNAS, SACO DE PAPEL KRAFT"
                            : "PARAFUSO SEXTAVADO ZINCADO 1/4 X 2 POL");
  }
  return file.Parse();
}

std::shared_ptr<const report::FontMetrics> Fonts() {
  return std::make_shared<platform::FontFileMetrics>();
}

// ClearDynamicLabels and the fill steps on a freshly built DANFE.
void BM_Fill(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const invoice::IniFile data = Invoice(items);
  const auto fonts = Fonts();
  NoDesktop desktop;
  for (auto _ : state) {
    state.PauseTiming();
    auto danfe = std::make_unique<danfe::Danfe>(fonts, desktop);
    state.ResumeTiming();
    danfe->Fill(data);
    benchmark::DoNotOptimize(danfe->items().size());
    state.PauseTiming();
    danfe.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * items);
}

// One report pass of a filled DANFE: every page laid out again.
void BM_ReportPass(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const invoice::IniFile data = Invoice(items);
  NoDesktop desktop;
  danfe::Danfe danfe(Fonts(), desktop);
  danfe.Fill(data);
  std::size_t pages = 0;
  for (auto _ : state) {
    const report::Document document = danfe.report().Run();
    pages = document.pages.size();
    benchmark::DoNotOptimize(pages);
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.SetItemsProcessed(state.iterations() * items);
}

// The last page of the DANFE as a PDF file in memory, the font subsets
// embedded.
void BM_PdfPage(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const invoice::IniFile data = Invoice(items);
  NoDesktop desktop;
  danfe::Danfe danfe(Fonts(), desktop);
  danfe.Fill(data);
  report::Document document = danfe.report().Run();
  document.pages.erase(document.pages.begin(), document.pages.end() - 1);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = platform::PdfBytes(document).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_Fill)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportPass)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfPage)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The DANFE's own costs, with the installed fonts: the fill steps, one report
// pass and the PDF of one page, for invoices of 25, 1000 and 100000 items.
// Every third item's description wraps over several lines of the grid.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <stdexcept>

#include "danfe/danfe.h"
#include "danfe/test_invoice.h"
#include "invoice/ini_reader.h"
#include "platform/font_metrics.h"
#include "platform/gui.h"
#include "platform/painter.h"

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
  platform::EnsureGuiApplication();
  return std::make_shared<platform::QtFontMetrics>();
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

// The last page of the DANFE painted into a PDF in memory, fonts embedded.
void BM_PdfPage(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const invoice::IniFile data = Invoice(items);
  NoDesktop desktop;
  danfe::Danfe danfe(Fonts(), desktop);
  danfe.Fill(data);
  const report::Document document = danfe.report().Run();
  const report::Page& page = document.pages.back();
  constexpr int kDpi = 1200;
  std::size_t bytes = 0;
  for (auto _ : state) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    platform::PaintPage(page, painter, platform::TenthsToDevice(kDpi, kDpi));
    painter.end();
    bytes = static_cast<std::size_t>(buffer.size());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_Fill)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportPass)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfPage)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

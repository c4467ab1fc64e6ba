// One report pass of the test layout, text measurement included: the font is
// measured once per pass's report, every row lays its texts out again.
#include <benchmark/benchmark.h>

#include "report/test_layout.h"

namespace {

void BM_ReportPass(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto layout = report::testing::MakeTestLayout(std::make_shared<report::FixedFontMetrics>());
  auto rows = report::testing::MakeRows(n);
  layout->report->set_data_source(rows.get());
  layout->report->ClearDynamicLabels();
  std::size_t pages = 0;
  for (auto _ : state) {
    report::Document doc = layout->report->Run();
    pages = doc.pages.size();
    benchmark::DoNotOptimize(doc);
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReportPass)->Arg(25)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

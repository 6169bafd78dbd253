// Paste of a large report page: ParsePage and LayOutGrid on a page of
// 50,000 rows by 10 columns with a <style> block, classes, numbers and
// texts, as the converter renders a big report. Reports the time and the
// process's peak resident memory (ru_maxrss).
//
//   ./build/bench/page_bench --benchmark_filter=ParseAndLayOut

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <string>

#include "automation/page/grid.h"
#include "automation/page/page.h"

namespace {

using quorlex::automation::page::Grid;
using quorlex::automation::page::LayOutGrid;
using quorlex::automation::page::Page;
using quorlex::automation::page::ParsePage;

constexpr int kRows = 50'000;
constexpr int kColumns = 10;

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Bytes the heap holds for the program now.
double HeapMegabytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / 1e6;
}

std::string Amount(int i) {
  // "1 234 567,89" style, as a Russian report prints money.
  const long long kopecks = 1'000'000LL * (i % 97) + 12'345LL * i;
  std::string whole = std::to_string(kopecks / 100);
  std::string grouped;
  for (std::size_t k = 0; k < whole.size(); ++k) {
    if (k > 0 && (whole.size() - k) % 3 == 0) grouped.push_back(' ');
    grouped.push_back(whole[k]);
  }
  const int cents = static_cast<int>(kopecks % 100);
  return grouped + (cents < 10 ? ",0" : ",") + std::to_string(cents);
}

std::string MakeReport() {
  std::string html =
      R"(<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1251">
<title>Выписка по счетам</title>
<style>
  body { font-family: Arial; font-size: 9pt }
  table.report { border-collapse: collapse }
  table.report td, table.report th { border: 1px solid #000000; padding: 2px }
  th { background-color: #C0C0C0; font-weight: bold }
  .num { text-align: right; mso-number-format: "\#\,\#\#0\.00" }
  .txt { mso-number-format: "\@" }
  .pct { text-align: right }
  tr.odd td { background-color: #F0F0F0 }
  #total td { font-weight: bold }
</style></head><body>
<h2>Выписка по счетам клиентов</h2>
<p>Период: 01.01.2026 - 31.01.2026</p>
<table class="report" border="1">
<tr><th>№</th><th>Счёт</th><th>Клиент</th><th>Дата</th><th>Код</th><th>Входящий остаток</th><th>Дебет</th><th>Кредит</th><th>Доля</th><th>Примечание</th></tr>
)";
  html.reserve(static_cast<std::size_t>(kRows) * 330);
  for (int i = 1; i <= kRows; ++i) {
    html += i % 2 == 1 ? "<tr class=\"odd\">" : "<tr>";
    html += "<td>" + std::to_string(i) + "</td>";
    html += "<td class=\"txt\">408178100" + std::to_string(10000000000LL + i) + "</td>";
    html += "<td>Клиент номер " + std::to_string(i) + " &laquo;Ромашка&raquo;</td>";
    html +=
        "<td>" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1) + ".01.2026</td>";
    html += "<td>00" + std::to_string(i % 1000) + "</td>";
    html += "<td class=\"num\">" + Amount(i) + "</td>";
    html += "<td class=\"num\">" + Amount(i * 7) + "</td>";
    html += "<td class=\"num\">" + Amount(i * 3) + "</td>";
    html +=
        "<td class=\"pct\">" + std::to_string(i % 100) + "," + std::to_string(i % 10) + "%</td>";
    html += "<td>" + std::string(i % 5 == 0 ? "Проверено<br>вручную" : "&nbsp;") + "</td>";
    html += "</tr>\n";
  }
  html +=
      "<tr id=\"total\"><td colspan=\"5\">Итого</td><td class=\"num\">0,00</td><td "
      "class=\"num\">0,00</td>"
      "<td class=\"num\">0,00</td><td></td><td></td></tr>\n</table>\n<p>Конец "
      "выписки</p></body></html>\n";
  return html;
}

const std::string& Report() {
  static const std::string report = MakeReport();
  return report;
}

void SetCounters(benchmark::State& state, double rss_before) {
  state.counters["input_MB"] = static_cast<double>(Report().size()) / 1e6;
  state.counters["cells"] = static_cast<double>(kRows) * kColumns;
  state.counters["rss_before_MB"] = rss_before;
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}

// Registered first, so that its peak memory is its own.
void BM_ParseAndLayOut(benchmark::State& state) {
  const std::string& html = Report();
  const double rss_before = PeakRssMegabytes();
  double page_heap = 0, grid_heap = 0;
  for (auto _ : state) {
    const double heap_before = HeapMegabytes();
    const Page page = ParsePage(html);
    const double heap_page = HeapMegabytes();
    const Grid grid = LayOutGrid(page);
    benchmark::DoNotOptimize(grid.cells.data());
    page_heap = heap_page - heap_before;
    grid_heap = HeapMegabytes() - heap_page;
  }
  SetCounters(state, rss_before);
  // What the results hold, beside the peak of the whole process.
  state.counters["page_MB"] = page_heap;
  state.counters["grid_MB"] = grid_heap;
}
BENCHMARK(BM_ParseAndLayOut)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ParsePage(benchmark::State& state) {
  const std::string& html = Report();
  const double rss_before = PeakRssMegabytes();
  for (auto _ : state) {
    const Page page = ParsePage(html);
    benchmark::DoNotOptimize(page.cells.data());
  }
  SetCounters(state, rss_before);
}
BENCHMARK(BM_ParsePage)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LayOutGrid(benchmark::State& state) {
  const Page page = ParsePage(Report());
  const double rss_before = PeakRssMegabytes();
  for (auto _ : state) {
    const Grid grid = LayOutGrid(page);
    benchmark::DoNotOptimize(grid.cells.data());
  }
  SetCounters(state, rss_before);
}
BENCHMARK(BM_LayOutGrid)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

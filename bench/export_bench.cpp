// Export and import of 100 000 rows: the workbook writer in constant-memory mode
// and the streaming reader of worksheet 1.
#include "panel/headless_panel.h"
#include "report/excel_export.h"
#include "report/workbook_reader.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using namespace shelfwatch;
namespace fs = std::filesystem;

const item::FixedClock kClock(item::fromCivil(2014, 7, 25, 10, 0, 0));

const table::ResultTable& table100k() {
    static table::ResultTable table;
    if (table.rowCount() == 0) {
        const item::DateTime base = item::fromCivil(2014, 7, 25);
        for (int i = 0; i < 100000; ++i) {
            table::ItemRecord r;
            r.seq = std::to_string(i);
            r.title = text::gbk("2014夏季新款 韩版修身连衣裙 第") + std::to_string(i) + text::gbk("号");
            r.url = "http://item.taobao.com/item.htm?id=" + std::to_string(30000000000LL + i);
            r.seller = text::gbk("小美的店");
            r.startTime = item::dateTimeText(item::addSeconds(base, -7 * 86400 + i * 6));
            r.endTime = item::dateTimeText(item::addSeconds(base, i * 6));
            r.minutesLeft = std::to_string(i / 10);
            r.sales = "30";
            r.stock = "70";
            r.isMall = text::gbk("假");
            r.price = "128.00";
            r.location = text::gbk("浙江杭州");
            table.appendRecord(r);
        }
    }
    return table;
}

fs::path benchFile() { return fs::temp_directory_path() / "shelfwatch-bench-100k.xlsx"; }

void BM_Export100k(benchmark::State& state) {
    const table::ResultTable& table = table100k();
    panel::HeadlessPanel panel;
    for (auto _ : state) {
        report::ExportResult result = report::exportResultTable(table, true, benchFile(), kClock, panel);
        if (!result.ok) state.SkipWithError(text::gbkToUtf8(result.error).c_str());
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(benchFile())) / 1e6;
}

void BM_Import100k(benchmark::State& state) {
    panel::HeadlessPanel panel;
    report::exportResultTable(table100k(), true, benchFile(), kClock, panel);
    for (auto _ : state) {
        report::ListingStats stats;
        report::ImportResult result = report::importWorkbookListings(benchFile(), stats);
        if (!result.ok) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(result.listings);
    }
}

void BM_Read100k(benchmark::State& state) {
    panel::HeadlessPanel panel;
    report::exportResultTable(table100k(), true, benchFile(), kClock, panel);
    for (auto _ : state) {
        report::WorkbookContent content = report::readWorkbook(benchFile());
        benchmark::DoNotOptimize(content.rows.size());
    }
}

}  // namespace

BENCHMARK(BM_Export100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Read100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Import100k)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

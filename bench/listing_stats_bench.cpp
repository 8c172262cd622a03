// The statistics over a million listings: loading a result table, purging and
// counting the whole 7 x 24 grid, with the grouped query and with the 168
// literal slot queries.
#include "report/listing_stats.h"
#include "table/result_table.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace shelfwatch;

const item::FixedClock& clock() {
    static const item::FixedClock kClock(item::fromCivil(2014, 7, 25, 10, 0, 0));
    return kClock;
}

// Ends spread over ten days around "now", as texts in the table's own form.
const table::ResultTable& bigTable(int rows) {
    static table::ResultTable table;
    if (table.rowCount() != rows) {
        table.clear();
        std::mt19937 random(11);
        std::uniform_int_distribution<std::int64_t> offset(-2 * 86400, 8 * 86400);
        const item::DateTime base = item::fromCivil(2014, 7, 25);
        for (int i = 0; i < rows; ++i) {
            table::ItemRecord record;
            record.title = "item " + std::to_string(i);
            record.startTime = item::dateTimeText(item::addDays(base, -7));
            record.endTime = item::dateTimeText(item::addSeconds(base, offset(random)));
            table.appendRecord(record);
        }
    }
    return table;
}

void runGrid(benchmark::State& state, report::SlotCounting counting) {
    const table::ResultTable& table = bigTable(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        report::ListingStats stats;
        stats.open();
        stats.loadFromResultTable(table);
        report::SlotGrid grid = report::computeSlotGrid(stats, clock(), counting);
        benchmark::DoNotOptimize(grid.counts[0][0]);
        stats.close();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GridGrouped(benchmark::State& state) { runGrid(state, report::SlotCounting::Grouped); }
void BM_GridLiteral168(benchmark::State& state) { runGrid(state, report::SlotCounting::PerSlot); }

// Counting alone, on a loaded and purged table.
void runCount(benchmark::State& state, report::SlotCounting counting) {
    report::ListingStats stats;
    stats.open();
    stats.loadFromResultTable(bigTable(static_cast<int>(state.range(0))));
    stats.purgeEnded(clock().now());
    for (auto _ : state) {
        report::SlotGrid grid = report::computeSlotGrid(stats, clock(), counting);
        benchmark::DoNotOptimize(grid.counts[0][0]);
    }
}

void BM_CountGrouped(benchmark::State& state) { runCount(state, report::SlotCounting::Grouped); }
void BM_CountLiteral168(benchmark::State& state) { runCount(state, report::SlotCounting::PerSlot); }

// One text INSERT per listing, as addListing does, for comparison with the bulk load.
void BM_AddListingText(benchmark::State& state) {
    const table::ResultTable& table = bigTable(1000000);
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        report::ListingStats stats;
        stats.open();
        for (int r = 0; r < n; ++r) {
            stats.addListing(table.cell(r, table::kTitle), table.cell(r, table::kStartTime),
                             table.cell(r, table::kEndTime));
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_GridGrouped)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GridLiteral168)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CountGrouped)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountLiteral168)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AddListingText)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();

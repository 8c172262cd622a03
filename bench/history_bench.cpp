// The run history at the size of a large weekly query: recording a run of
// 100 000 rows, and comparing two such runs (loading both and the comparison).
#include "history/history_store.h"
#include "history/run_diff.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace shelfwatch;
namespace fs = std::filesystem;

constexpr int kRows = 100000;

// Row i of run `generation`: every tenth item relisted, every seventh repriced,
// and the ids shifted by 1% so that some are new and some gone.
std::vector<table::ItemRecord> runRows(int generation) {
    std::vector<table::ItemRecord> rows;
    rows.reserve(kRows);
    const int shift = generation * kRows / 100;
    for (int i = 0; i < kRows; ++i) {
        const int id = 500000000 + i + shift;
        table::ItemRecord r;
        r.seq = std::to_string(i + 1);
        r.title = "\xC1\xAC\xD2\xC2\xC8\xB9 item " + std::to_string(id);  // GBK title
        r.url = "https://item.taobao.com/item.htm?spm=a230r.1.14.1&id=" + std::to_string(id);
        r.seller = "seller" + std::to_string(id % 997);
        r.startTime = "2014\xC4\xEA" + std::to_string(7) + "\xD4\xC2" +
                      std::to_string(1 + (generation * (id % 10 == 0))) +
                      "\xC8\xD5"
                      "10\xCA\xB1";
        r.endTime =
            "2014\xC4\xEA"
            "8\xD4\xC2"
            "1\xC8\xD5";
        r.minutesLeft = std::to_string(id % 10080);
        r.sales = std::to_string(id % 500);
        r.stock = std::to_string(id % 90);
        r.isMall = "\xBC\xD9";
        r.price = std::to_string(10 + (id % 300) + generation * (id % 7 == 0)) + ".00";
        r.location = "\xBA\xBC\xD6\xDD";
        rows.push_back(std::move(r));
    }
    return rows;
}

fs::path freshFile(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return history::historyFile(dir);
}

history::RunInfo runInfo() {
    history::RunInfo run;
    run.kind = std::string(history::kKindKeyword);
    run.subject = "bench";
    run.time = item::fromCivil(2014, 7, 28, 10);
    return run;
}

void BM_RecordRun(benchmark::State& state) {
    const std::vector<table::ItemRecord> rows = runRows(0);
    const fs::path file = freshFile("shelfwatch_history_bench_record");
    history::HistoryStore store(file);
    std::string error;
    if (!store.open(error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (store.record(runInfo(), rows, error) == 0) state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    fs::remove_all(file.parent_path());
}
BENCHMARK(BM_RecordRun)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DiffTwoRuns(benchmark::State& state) {
    const fs::path file = freshFile("shelfwatch_history_bench_diff");
    history::HistoryStore store(file);
    std::string error;
    if (!store.open(error)) state.SkipWithError(error.c_str());
    history::RunInfo from = runInfo();
    from.id = store.record(from, runRows(0), error);
    history::RunInfo to = runInfo();
    to.id = store.record(to, runRows(1), error);
    std::size_t changes = 0;
    for (auto _ : state) {
        // What `diff` does: choose the pair, load both runs, compare, print.
        const history::DiffChoice choice = history::chooseRuns(store, std::nullopt, std::nullopt);
        const history::RunDiff diff = history::compareRuns(store, choice.from, choice.to);
        const std::string json = history::diffJson(diff);
        changes = diff.added.size() + diff.gone.size() + diff.relisted.size() + diff.changed.size();
        benchmark::DoNotOptimize(json.data());
    }
    state.counters["changes"] = static_cast<double>(changes);
    fs::remove_all(file.parent_path());
}
BENCHMARK(BM_DiffTwoRuns)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

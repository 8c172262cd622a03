// The keyword search end to end against the in-process simulator: a 1 000-item
// search with 20 ms latency per request at 1, 2, 4 and 8 detail workers, and the
// peak memory of a 100 000-row table filled the same way at latency 0.
//
// Counters: items_per_s over the detail phase (the table already walked) and
// over the whole search; ideal_ratio = items_per_s / (K / (requests per item x
// latency)); cpu_ms_per_item: process CPU (client and simulator, one process)
// per item, and for K = 1 also the client thread alone (the fetch then runs on
// the calling thread); peak_rss_mb and table_mb for the large table.
#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/fetch_state.h"
#include "search/keyword_search.h"
#include "search/walk_context.h"
#include "table/result_table.h"

#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <string>

namespace {

using namespace shelfwatch;

constexpr std::uint64_t kThousandSeed = 7001;
constexpr std::uint64_t kHundredThousandSeed = 7002;

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The generated count whose catalogue lists exactly `listed` items; for large
// catalogues (too slow to probe) the count that lists about that many.
int generatedCountFor(std::uint64_t seed, int listed) {
    if (listed > 10000) return listed * 100 / 94;
    for (int count = listed * 100 / 96 - 40; count < listed * 100 / 90; ++count) {
        const sim::Catalogue probe(sim::CatalogueOptions{seed, sim::defaultReferenceNow(), count});
        if (static_cast<int>(probe.listedMatching("").size()) == listed) return count;
    }
    return listed;
}

// The simulator logs every request it serves; over a 100 000-item walk that log
// alone would outgrow the table being measured, so it is emptied as the walk goes.
class LogTrimmingFetcher final : public net::Fetcher {
  public:
    LogTrimmingFetcher(net::Fetcher& inner, sim::MarketSim& server) : m_inner(inner), m_server(server) {}
    std::string fetchPage(std::string_view url, std::string_view referrer) override {
        if (m_count.fetch_add(1) % 5000 == 4999) m_server.clearRequests();
        return m_inner.fetchPage(url, referrer);
    }

  private:
    net::Fetcher& m_inner;
    sim::MarketSim& m_server;
    std::atomic<long> m_count{0};
};

// One simulator and one client, as the command line builds them.
struct Bench : shelfwatch::testing::SimulatedMarket {
    explicit Bench(std::uint64_t seed, int listed, int latencyMs)
        : SimulatedMarket(sim::SimOptions{0, seed, latencyMs}) {
        sim::setCatalogueSize(seed, generatedCountFor(seed, listed));
        catalogue = &sim::catalogueFor(seed);
        start();
        clock = std::make_unique<item::FixedClock>(catalogue->referenceNow());
        fetcher = std::make_unique<net::CurlFetcher>(cookies);
        state = std::make_unique<search::FetchState>();
        panel.setKeyword("");
        pages = (listed + sim::kSearchPageSize - 1) / sim::kSearchPageSize;
        panel.setPageCountText(std::to_string(pages));
    }
    search::WalkContext context(int workers, net::Fetcher* through = nullptr) {
        return search::WalkContext{
            table, panel, through ? *through : *fetcher, cookies, market, *clock, *state, dataDir, workers};
    }
    // Item-family requests the simulator saw per row (pages and home excluded).
    double requestsPerItem() const {
        int itemRequests = 0;
        for (const sim::LoggedRequest& r : server.requests()) {
            if (r.target.rfind("/search?", 0) != 0 && r.target != "/") ++itemRequests;
        }
        return table.rowCount() > 0 ? static_cast<double>(itemRequests) / table.rowCount() : 0.0;
    }

    const sim::Catalogue* catalogue = nullptr;
    net::CookieJar cookies;
    std::unique_ptr<item::FixedClock> clock;
    std::unique_ptr<net::CurlFetcher> fetcher;
    table::ResultTable table;
    panel::HeadlessPanel panel;
    std::unique_ptr<search::FetchState> state;
    int pages = 0;
};

void BM_SearchThousandItems(benchmark::State& benchState) {
    const int workers = static_cast<int>(benchState.range(0));
    constexpr int kLatencyMs = 20;
    Bench bench(kThousandSeed, 1000, kLatencyMs);
    for (auto _ : benchState) {
        // The whole search: page walk, then the detail fetch.
        search::WalkContext ctx = bench.context(workers);
        bench.server.clearRequests();
        const auto start = std::chrono::steady_clock::now();
        search::runKeywordSearch(ctx, true);
        const double whole = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int rows = bench.table.rowCount();
        const double perItem = bench.requestsPerItem();

        // The detail phase alone, over the same rows.
        const std::vector<table::ItemRecord> walked = bench.table.snapshot();
        bench.table.clear();
        for (const table::ItemRecord& record : walked) {
            table::ItemRecord addressOnly;
            addressOnly.seq = record.seq;
            addressOnly.url = record.url;
            bench.table.appendRecord(addressOnly);
        }
        const double cpuProcess = cpuSeconds(RUSAGE_SELF);
#ifdef RUSAGE_THREAD
        const double cpuThread = cpuSeconds(RUSAGE_THREAD);
#endif
        const auto detailStart = std::chrono::steady_clock::now();
        search::startDetailWorkers(ctx, bench.table.generation(), true);
        const double detail =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - detailStart).count();
        const double processCpu = cpuSeconds(RUSAGE_SELF) - cpuProcess;

        const double ideal = workers / (perItem * kLatencyMs / 1000.0);
        benchState.SetIterationTime(detail);
        benchState.counters["rows"] = rows;
        benchState.counters["requests_per_item"] = perItem;
        benchState.counters["items_per_s"] = rows / detail;
        benchState.counters["ideal_items_per_s"] = ideal;
        benchState.counters["ideal_ratio"] = (rows / detail) / ideal;
        benchState.counters["whole_search_items_per_s"] = rows / whole;
        benchState.counters["cpu_ms_per_item_process"] = 1000.0 * processCpu / rows;
#ifdef RUSAGE_THREAD
        if (workers == 1) {
            benchState.counters["cpu_ms_per_item_client"] =
                1000.0 * (cpuSeconds(RUSAGE_THREAD) - cpuThread) / rows;
        }
#endif
    }
}
BENCHMARK(BM_SearchThousandItems)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_HundredThousandRowTable(benchmark::State& benchState) {
    const int workers = static_cast<int>(benchState.range(0));
    Bench bench(kHundredThousandSeed, 100000, 0);
    for (auto _ : benchState) {
        LogTrimmingFetcher trimming(*bench.fetcher, bench.server);
        bench.server.clearRequests();
        const double before = peakRssMb();
        search::WalkContext ctx = bench.context(workers, &trimming);
        const auto start = std::chrono::steady_clock::now();
        search::runKeywordSearch(ctx, true);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double after = peakRssMb();
        benchState.SetIterationTime(seconds);
        std::size_t bytes = 0;
        for (const table::ItemRecord& record : bench.table.snapshot()) {
            bytes += sizeof record;
            for (int c = 0; c < table::kColumnCount; ++c) {
                if (record.field(c).capacity() > 15) bytes += record.field(c).capacity() + 1;
            }
        }
        benchState.counters["rows"] = bench.table.rowCount();
        benchState.counters["items_per_s"] = bench.table.rowCount() / seconds;
        benchState.counters["peak_rss_mb_before"] = before;
        benchState.counters["peak_rss_mb"] = after;
        benchState.counters["table_mb"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_HundredThousandRowTable)->Arg(8)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

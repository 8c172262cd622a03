// The analysis CPU work alone: a marketplace and a mall item page of realistic
// size (the simulator's builders, 150-250 KB GBK) served from memory.
#include "config/market_config.h"
#include "item/item_analyzer.h"
#include "item/listing_time.h"

#include "catalogue.h"
#include "item_pages.h"
#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using namespace shelfwatch;

constexpr const char* kHost = "bench.test:80";

class PrebuiltFetcher final : public net::Fetcher {
  public:
    void put(const std::string& url, std::string body) { m_bodies[url] = std::move(body); }
    std::string fetchPage(std::string_view url, std::string_view) override {
        auto it = m_bodies.find(std::string(url));
        return it == m_bodies.end() ? std::string() : it->second;
    }

  private:
    std::map<std::string, std::string> m_bodies;
};

void analyzeOne(benchmark::State& state, std::int64_t id) {
    const sim::Catalogue& catalogue = sim::catalogueFor(1);
    const sim::CatalogueItem& entry = *catalogue.find(id);
    sim::PageHosts hosts;
    hosts.simHost = kHost;
    PrebuiltFetcher fetcher;
    const std::string page = sim::buildItemPage(entry, hosts);
    fetcher.put(sim::itemUrl(kHost, id), page);
    fetcher.put(sim::mallServiceAddress(entry, hosts) + "&callback=setMdskip",
                sim::buildMallServiceAnswer(entry));
    fetcher.put(sim::countServiceAddress(entry, hosts), sim::buildCountServiceAnswer(entry));
    fetcher.put(sim::detailServiceAddress(entry, hosts), sim::buildDetailServiceAnswer(entry));

    config::MarketConfig market;
    market.helpHost = kHost;
    item::FixedClock clock(catalogue.referenceNow());
    const item::AnalyzerDeps deps{fetcher, market, clock};
    for (auto _ : state) {
        std::string url = sim::itemUrl(kHost, id);
        item::ItemDetails details = item::analyzeItem(url, deps);
        benchmark::DoNotOptimize(details);
    }
    state.counters["pageKB"] = static_cast<double>(page.size()) / 1024.0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

void BM_AnalyzeMarketplaceItem(benchmark::State& state) { analyzeOne(state, sim::fixture::kWorkedExample); }
void BM_AnalyzeMallItem(benchmark::State& state) { analyzeOne(state, sim::fixture::kMallPromotion); }
void BM_AnalyzeMallItemWithoutSeller(benchmark::State& state) {
    analyzeOne(state, sim::fixture::kMallNoSeller);
}

BENCHMARK(BM_AnalyzeMarketplaceItem)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalyzeMallItem)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalyzeMallItemWithoutSeller)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// The page patterns on hostile pages: a mall item page that repeats the start of
// the seller span, and a result block that repeats the start of an item anchor,
// each with no complete match and with one complete match at the very end (the
// match then spans the whole page). The real pages of the simulator run beside
// them, so a change for the hostile case shows whether it costs the common one.
// Bytes processed are the page sizes: read the time per MB off the rate.
#include "config/market_config.h"
#include "item/item_analyzer.h"
#include "item/listing_time.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "search_pages.h"
#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using namespace shelfwatch;

constexpr const char* kHost = "bench.test:80";
constexpr const char* kItemUrl = "http://bench.test:80/item.htm?id=1";

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

std::string repeated(std::string_view unit, std::size_t bytes) {
    std::string out;
    out.reserve(bytes + unit.size());
    while (out.size() < bytes) out.append(unit);
    return out;
}

constexpr const char* kSellerStart = "<span class=\"a J_WangWang\" data-nick=\"";
constexpr const char* kSellerEnd = "n\" data-tnick=\"t\" data-encode=\"e\" data-display=\"d\"></span>";

void analyzeMallPage(benchmark::State& state, bool matchAtEnd) {
    const config::MarketConfig market;
    std::string page = "<title>x" + market.mallPageMarker() + "\n";
    page += repeated(kSellerStart, static_cast<std::size_t>(state.range(0)) << 10);
    if (matchAtEnd) page += kSellerEnd;
    PrebuiltFetcher fetcher;
    fetcher.put(kItemUrl, page);
    const item::FixedClock clock(item::DateTime{});
    const item::AnalyzerDeps deps{fetcher, market, clock};
    for (auto _ : state) {
        std::string url = kItemUrl;
        item::ItemDetails details = item::analyzeItem(url, deps);
        benchmark::DoNotOptimize(details);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

void BM_HostileMallSellerPage(benchmark::State& state) { analyzeMallPage(state, false); }
void BM_HostileMallSellerPageMatchAtEnd(benchmark::State& state) { analyzeMallPage(state, true); }

constexpr const char* kAnchorStart = "<a trace=\"auction\" traceNum=\"2\" data-pid=\"";
constexpr const char* kAnchorEnd = "1\" href=\"//item.test/item.htm?id=1\" target=\"_blank\" title=\"t\">";

void extractLinks(benchmark::State& state, bool matchAtEnd) {
    std::string page = "<div class=\"tb-content\">\n";
    page += repeated(kAnchorStart, static_cast<std::size_t>(state.range(0)) << 10);
    if (matchAtEnd) page += kAnchorEnd;
    page += text::gbk("<!--分页-->");
    for (auto _ : state) {
        std::vector<std::string> links = search::itemLinks(page);
        benchmark::DoNotOptimize(links);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

void BM_HostileResultBlock(benchmark::State& state) { extractLinks(state, false); }
void BM_HostileResultBlockMatchAtEnd(benchmark::State& state) { extractLinks(state, true); }

void BM_RealResultPage(benchmark::State& state) {
    sim::SearchPageRequest request;
    request.keyword = text::gbk("连衣裙");
    const std::string page = sim::buildSearchPage(sim::catalogueFor(1), request, kHost);
    std::size_t found = 0;
    for (auto _ : state) {
        std::vector<std::string> links = search::itemLinks(page);
        found = links.size();
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = static_cast<double>(found);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

// Sizes in KB; the old backtracking engine needed tens of seconds for one MB.
BENCHMARK(BM_HostileMallSellerPage)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileMallSellerPageMatchAtEnd)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileResultBlock)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileResultBlockMatchAtEnd)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealResultPage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

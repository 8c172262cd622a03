// Speed of the cuts every page analysis makes: find and textBetween over a
// 200 KB item-page-like GBK text, half markup, half Chinese.
#include "text/gbk_text.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace text = shelfwatch::text;

namespace {

// A deterministic page: markup lines interleaved with runs of Chinese
// characters drawn from the whole double-byte range by a fixed LCG, so trail
// bytes in the ASCII range (and bytes equal to marker bytes) occur often.
const std::string& page() {
    static const std::string kPage = [] {
        std::string out;
        std::uint32_t state = 12345;
        auto next = [&state] {
            state = state * 1664525u + 1013904223u;
            return state >> 8;
        };
        const std::string title = text::gbk("宝贝标题：正品包邮，限时特价");
        while (out.size() < 200 * 1024) {
            out += "<div class=\"tb-item\" data-id=\"" + std::to_string(next() % 100000) + "\">";
            out += title;
            const int run = 8 + static_cast<int>(next() % 40);
            for (int i = 0; i < run; ++i) {
                out.push_back(static_cast<char>(0xB0 + next() % 0x47));  // B0..F6
                out.push_back(static_cast<char>(0x40 + next() % 0xBF));  // 40..FE
                if (out.back() == 0x7F) out.back() = 0x40;
            }
            out += "</div>\r\n<span class=\"price\">" + std::to_string(next() % 1000) + ".00</span>\r\n";
        }
        out += "<em id=\"J_SellCounter\">1234</em></body>";
        return out;
    }();
    return kPage;
}

void BM_FindMarkerAtEnd(benchmark::State& state) {
    const std::string& p = page();
    int pos = 0;
    for (auto _ : state) {
        pos = text::find(p, "id=\"J_SellCounter\">");
        benchmark::DoNotOptimize(pos);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * pos);
}
BENCHMARK(BM_FindMarkerAtEnd);

void BM_FindChineseMarkerAbsent(benchmark::State& state) {
    // Every byte pair of the page is a candidate for some character; the scan
    // must reject them all at character boundaries.
    const std::string& p = page();
    const std::string sought = text::gbk("很抱歉");
    for (auto _ : state) benchmark::DoNotOptimize(text::find(p, sought));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * p.size()));
}
BENCHMARK(BM_FindChineseMarkerAbsent);

void BM_FindEveryOccurrence(benchmark::State& state) {
    // Walks all list entries as the search parsers do: find from the last hit on.
    const std::string& p = page();
    for (auto _ : state) {
        int count = 0;
        for (int at = text::find(p, "<span class=\"price\">"); at > 0;
             at = text::find(p, "<span class=\"price\">", at + 1)) {
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * p.size()));
}
BENCHMARK(BM_FindEveryOccurrence);

void BM_TextBetweenAtEnd(benchmark::State& state) {
    const std::string& p = page();
    std::string value;
    for (auto _ : state) {
        value = text::textBetween(p, "id=\"J_SellCounter\">", "</em>");
        benchmark::DoNotOptimize(value.data());
    }
    if (value != "1234") state.SkipWithError("wrong cut");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * p.size()));
}
BENCHMARK(BM_TextBetweenAtEnd);

void BM_TextBetweenEveryPrice(benchmark::State& state) {
    // Cuts every price in turn, each search starting after the previous one.
    const std::string& p = page();
    for (auto _ : state) {
        int start = 1;
        std::size_t total = 0;
        for (;;) {
            const int at = text::find(p, "<span class=\"price\">", start);
            if (at < 0) break;
            total += text::textBetween(p, "<span class=\"price\">", "</span>", at).size();
            start = at + 1;
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * p.size()));
}
BENCHMARK(BM_TextBetweenEveryPrice);

}  // namespace

BENCHMARK_MAIN();

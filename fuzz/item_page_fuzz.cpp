// One item page through the whole analysis: the page is the input, and every
// service the analysis asks (mall, count, detail answers) answers with the same
// bytes, so the answer parsers see hostile text too. Nothing may crash or hang.
#include "config/market_config.h"
#include "item/item_analyzer.h"
#include "item/listing_time.h"

#include "fuzz_support.h"

#include <string>

namespace {

using namespace shelfwatch;

class EchoFetcher final : public net::Fetcher {
  public:
    explicit EchoFetcher(std::string_view page) : m_page(page) {}
    std::string fetchPage(std::string_view, std::string_view) override { return std::string(m_page); }

  private:
    std::string_view m_page;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const config::MarketConfig market;
    static const item::FixedClock clock(item::fromCivil(2014, 7, 25, 10, 0, 0));
    EchoFetcher fetcher(fuzz::bytes(data, size));
    const item::AnalyzerDeps deps{fetcher, market, clock};
    std::string url = "http://item.taobao.com/item.htm?id=1\"tail";
    const item::ItemDetails details = item::analyzeItem(url, deps);
    fuzz::check(url == "http://item.taobao.com/item.htm?id=1");
    fuzz::check(details.minutesLeft >= 0);
    fuzz::check(details.title.size() <= size);
    return 0;
}

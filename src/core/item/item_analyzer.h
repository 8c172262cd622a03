// Item page analysis: one item page address in, an ItemDetails record out. The
// page and one or two of the item's service answers are fetched through the given
// Fetcher, the values cut out between fixed markers, the listing times converted.
// Failure is reported only in `message`. Keeps no state: any thread, several at once.
#pragma once

#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/page_fetcher.h"

#include <cstdint>
#include <string>

namespace shelfwatch::item {

struct ItemDetails {
    std::string title;
    std::int32_t isMall = 0;
    std::string stock;
    std::string sales;
    std::string seller;
    DateTime startTime;
    DateTime endTime;
    std::int32_t minutesLeft = 0;
    std::string message;
    std::string location;
    std::string price;
    // Why the item page itself could not be fetched (kind None when it came);
    // the fields above are then what an empty page gives.
    net::FetchFailure pageFailure;
};

struct AnalyzerDeps {
    net::Fetcher& fetcher;
    const config::MarketConfig& market;
    const Clock& clock;
};

// `url` is cut at its first double quote; the cut value is handed back.
ItemDetails analyzeItem(std::string& url, const AnalyzerDeps& deps);

}  // namespace shelfwatch::item

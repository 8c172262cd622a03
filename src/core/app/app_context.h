// Everything a core operation needs from the running program, passed in rather
// than reached through globals: the result table, the main window port, the
// fetcher, the marketplace hosts, the clock, the data directory and the shared
// fetch state. One instance lives as long as the program; the front ends build it.
#pragma once

#include "app/main_panel.h"
#include "app/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/fetch_state.h"
#include "table/result_table.h"

#include <filesystem>

namespace shelfwatch::app {

struct AppContext {
    table::ResultTable& table;
    MainPanel& panel;
    net::Fetcher& fetcher;
    net::CookieJar& cookies;
    const MarketConfig& market;
    const item::Clock& clock;
    search::FetchState& fetchState;
    std::filesystem::path dataDir;
    int detailWorkers = 1;  // 1..16; the settings' `detailWorkers` or --workers
};

}  // namespace shelfwatch::app

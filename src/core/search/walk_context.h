// What a walk needs from the running program, passed in rather than reached
// through globals: the result table, the main window port, the fetcher and its
// cookies, the marketplace hosts, the clock, the data directory and the shared
// fetch state. The composition root (app::App) builds one per program; the
// referenced objects outlive every walk that receives it.
#pragma once

#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "panel/main_panel.h"
#include "search/fetch_state.h"
#include "table/result_table.h"

#include <filesystem>

namespace shelfwatch::search {

struct WalkContext {
    table::ResultTable& table;
    panel::MainPanel& panel;
    net::Fetcher& fetcher;
    net::CookieJar& cookies;
    const config::MarketConfig& market;
    const item::Clock& clock;
    FetchState& fetchState;
    std::filesystem::path dataDir;
    int detailWorkers = 1;  // 1..16; the settings' `detailWorkers` or --workers
};

}  // namespace shelfwatch::search

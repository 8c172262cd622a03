// The composition root: the one place that builds the program's object graph
// (settings, cookie jar, fetcher, result table, clock, shared fetch state) in the
// order their lifetimes need, for the desktop program, the command line, the
// tests and the benchmarks alike. A front end builds an App, then binds its main
// window port with a PanelBinding to get the context walks receive.
//
// Lifetimes: walks run on threads that use the table, the fetcher and the panel.
// A PanelBinding stops every walk and waits for it when it ends, so declare it
// after the panel it binds; the App does the same for anything left when it goes.
// Thread-safety: build and destroy on one thread; the parts are thread-safe as
// their own headers say.
#pragma once

#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "panel/main_panel.h"
#include "search/fetch_state.h"
#include "search/walk_context.h"
#include "table/result_table.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace shelfwatch::app {

struct AppOptions {
    // The data directory (market.ini, configs.ini, exports, collections).
    std::filesystem::path dataDir;
    // The marketplace hosts; loaded from dataDir's market.ini when not given.
    std::optional<config::MarketConfig> market;
    // "Now" in China time; the system clock when not given (tests pin it).
    std::unique_ptr<item::Clock> clock;
    net::FetchOptions fetchOptions;
};

class App {
  public:
    explicit App(AppOptions options);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    const std::filesystem::path& dataDir() const { return m_dataDir; }
    const config::MarketConfig& market() const { return m_market; }
    net::CookieJar& cookies() { return m_cookies; }
    // The program's HTTP client; a binding may route walks through a wrapper of it.
    net::CurlFetcher& curl() { return m_curl; }
    table::ResultTable& table() { return m_table; }
    const item::Clock& clock() const { return *m_clock; }
    search::FetchState& fetchState() { return m_fetchState; }

    // Asks every walk to stop and waits until all have ended. Window thread or
    // main thread only, never from a walk.
    void stopWalks();

  private:
    std::filesystem::path m_dataDir;
    config::MarketConfig m_market;
    net::CookieJar m_cookies;
    net::CurlFetcher m_curl;
    table::ResultTable m_table;
    std::unique_ptr<item::Clock> m_clock;
    // Last: its walk threads are gone before anything they use.
    search::FetchState m_fetchState;
};

// A main window port bound to the program: the context walks receive over it.
class PanelBinding {
  public:
    // `fetcher`, when given, replaces the program's client for these walks (a test
    // that watches or scripts requests); it must outlive the binding.
    PanelBinding(App& app, panel::MainPanel& panel, net::Fetcher* fetcher = nullptr);
    ~PanelBinding();
    PanelBinding(const PanelBinding&) = delete;
    PanelBinding& operator=(const PanelBinding&) = delete;

    search::WalkContext& context() { return m_context; }

  private:
    App& m_app;
    search::WalkContext m_context;
};

}  // namespace shelfwatch::app

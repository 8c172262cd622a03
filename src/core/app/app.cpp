#include "app/app.h"

#include <utility>

namespace shelfwatch::app {

namespace {

config::MarketConfig marketFor(const AppOptions& options) {
    return options.market ? *options.market : config::MarketConfig::load(options.dataDir);
}

}  // namespace

App::App(AppOptions options)
    : m_dataDir(options.dataDir),
      m_market(marketFor(options)),
      m_curl(m_cookies, std::move(options.fetchOptions)),
      m_clock(options.clock ? std::move(options.clock) : std::make_unique<item::ChinaSystemClock>()) {}

App::~App() { stopWalks(); }

void App::stopWalks() {
    m_fetchState.stopRequested = 1;
    m_fetchState.threads.joinAll();
}

PanelBinding::PanelBinding(App& app, panel::MainPanel& panel, net::Fetcher* fetcher)
    : m_app(app), m_context{app.table(),      panel,         fetcher ? *fetcher : app.curl(),
                            app.cookies(),    app.market(),  app.clock(),
                            app.fetchState(), app.dataDir(), 1} {}

PanelBinding::~PanelBinding() { m_app.stopWalks(); }

}  // namespace shelfwatch::app

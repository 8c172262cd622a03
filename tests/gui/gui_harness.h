// The pieces every GUI test needs: a main window over its own table and panel,
// the core context around them with a fetcher that never goes on the network
// and a pinned clock, and a test main that scripts every dialog.
#pragma once

#include "app/app_context.h"
#include "app/market_config.h"
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/fetch_state.h"
#include "table/result_table.h"

#include <QApplication>
#include <QTest>

#include <string>
#include <string_view>

namespace shelfwatch::testing {

class OfflineFetcher final : public net::Fetcher {
  public:
    std::string fetchPage(std::string_view, std::string_view) override { return {}; }
};

struct GuiHarness {
    explicit GuiHarness(gui::MainWindow::Options options = {})
        : window(table, options),
          panel(window),
          app{table, panel, fetcher, cookies, market, clock, fetchState, {}},
          context{app, window, panel} {
        window.attach(&context);
    }
    ~GuiHarness() { panel.shutDown(); }

    table::ResultTable table;
    search::FetchState fetchState;
    net::CookieJar cookies;
    OfflineFetcher fetcher;
    app::MarketConfig market;
    item::FixedClock clock{item::fromCivil(2014, 7, 25, 15, 30, 20)};
    gui::MainWindow window;
    gui::QtMainPanel panel;
    app::AppContext app;
    gui::GuiContext context;
};

}  // namespace shelfwatch::testing

// QTEST_MAIN with what the web engine needs before the application exists, and
// every dialog scripted so that no test can block on one.
#define SHELFWATCH_GUI_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv) {                               \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); \
        QApplication app(argc, argv);                               \
        shelfwatch::gui::dialogs::setScripted(true);                \
        TestClass test;                                             \
        return QTest::qExec(&test, argc, argv);                     \
    }

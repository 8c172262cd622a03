// The pieces every GUI test needs: a main window over its own table and panel,
// the core context around them with a fetcher that never goes on the network
// and a pinned clock, and a test main that scripts every dialog.
#pragma once

#include "app/app.h"
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"

#include <QApplication>
#include <QTest>

#include <memory>
#include <string>
#include <string_view>

namespace shelfwatch::testing {

class OfflineFetcher final : public net::Fetcher {
  public:
    std::string fetchPage(std::string_view, std::string_view) override { return {}; }
};

inline app::AppOptions offlineOptions() {
    app::AppOptions options;
    options.market = config::MarketConfig{};
    options.clock = std::make_unique<item::FixedClock>(item::fromCivil(2014, 7, 25, 15, 30, 20));
    return options;
}

struct GuiHarness {
    explicit GuiHarness(gui::MainWindow::Options options = {})
        : window(table, options),
          panel(window),
          binding(program, panel, &fetcher),
          context{binding.context(), window, panel} {
        window.attach(&context);
    }
    ~GuiHarness() { panel.shutDown(); }

    OfflineFetcher fetcher;
    app::App program{offlineOptions()};
    table::ResultTable& table = program.table();
    search::FetchState& fetchState = program.fetchState();
    net::CookieJar& cookies = program.cookies();
    const config::MarketConfig& market = program.market();
    const item::Clock& clock = program.clock();
    gui::MainWindow window;
    gui::QtMainPanel panel;
    app::PanelBinding binding;
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

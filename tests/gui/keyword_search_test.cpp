// The "查关键字" button and the Enter key of the keyword box, the list-page
// query, the refresh of failed rows and the region help on a shown main window
// against the in-process simulator (a few milliseconds per request, so a walk
// spans many window events): the captions and controls while a query runs, the
// table filling while the window thread keeps serving events, the stop click,
// and the texts each query leaves.
#include "search/keyword_search.h"

#include "app/app.h"
#include "config/market_config.h"
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"
#include "gui/qt_text.h"
#include "gui/result_table_model.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/detail_fetch.h"
#include "search/fetch_state.h"
#include "search/list_page_query.h"
#include "search/search_query.h"
#include "search/walk_context.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "gui_harness.h"
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include "support/watched_fetcher.h"
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

using namespace shelfwatch;

namespace {

constexpr int kLatencyMs = 5;
// Generous bounds for a walk to end; the tests wait on events, never on time.
constexpr int kWalkTimeoutMs = 120000;

QString qt(const std::string& gbk) { return gui::fromGbk(gbk); }

using testing::WatchedFetcher;

// Holds the thread that asks for the n-th item page until released.
class ItemPageGate {
  public:
    explicit ItemPageGate(int holdAt) : m_holdAt(holdAt) {}

    void onFetch(const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos) return;
        std::unique_lock lock(m_mutex);
        if (++m_itemPages != m_holdAt) return;
        m_heldUrl = url;
        m_held = true;
        m_changed.wait(lock, [&] { return m_released; });
    }
    bool isHeld() {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    std::string heldUrl() {
        std::lock_guard lock(m_mutex);
        return m_heldUrl;
    }
    void release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

  private:
    const int m_holdAt;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_itemPages = 0;
    bool m_held = false;
    bool m_released = false;
    std::string m_heldUrl;
};

// A shown main window whose fetcher talks to the simulator, with the clock at
// the catalogue's reference time.
struct SimHarness {
    explicit SimHarness(const testing::SimulatedMarket& simulated)
        : program(
              testing::appOptionsFor(simulated, sim::catalogueFor(simulated.server.seed()).referenceNow())),
          window(table, gui::MainWindow::Options{false}),
          panel(window),
          binding(program, panel, &fetcher),
          context{binding.context(), window, panel} {
        window.attach(&context);
        window.show();
    }
    ~SimHarness() { panel.shutDown(); }

    QWidget* control(panel::Control which) const { return window.control(which); }
    void click(panel::Control which) {
        QTest::mouseClick(qobject_cast<QPushButton*>(control(which)), Qt::LeftButton);
    }
    QString caption() const { return window.searchButton()->text(); }
    // The four controls a keyword search locks while it runs.
    bool searchControlsEnabled(bool enabled) const {
        for (panel::Control c : {panel::Control::KeywordEdit, panel::Control::PageCountEdit,
                                 panel::Control::ExportButton, panel::Control::StoreButton}) {
            if (control(c)->isEnabled() != enabled) return false;
        }
        return true;
    }
    // Rows of the view's model whose "店主" cell shows something.
    int sellersShown() const {
        const gui::ResultTableModel* model = window.tableModel();
        int filled = 0;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (!model->data(model->index(r, table::kSeller)).toString().isEmpty()) ++filled;
        }
        return filled;
    }
    QString shown(int row, int column) const {
        const gui::ResultTableModel* model = window.tableModel();
        return model->data(model->index(row, column)).toString();
    }

    app::App program;
    table::ResultTable& table = program.table();
    search::FetchState& fetchState = program.fetchState();
    const config::MarketConfig& market = program.market();
    WatchedFetcher fetcher{program.curl()};
    gui::MainWindow window;
    gui::QtMainPanel panel;
    app::PanelBinding binding;
    gui::GuiContext context;
};

// What the window thread saw at one tick of a timer while a query ran.
struct Tick {
    int modelRows = 0;
    int sellers = 0;
    bool running = false;  // the button offered to stop
    bool locked = false;   // all four search controls disabled
};

sim::SimOptions slowMarket() {
    sim::SimOptions options;
    options.latencyMs = kLatencyMs;
    return options;
}

}  // namespace

class KeywordSearchTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        m_market = std::make_unique<testing::SimulatedMarket>(slowMarket());
        QVERIFY(m_market->start());
        sim::SearchPageRequest request;
        request.keyword = text::gbk("连衣裙");
        request.sort = "default";
        m_results = sim::searchResults(sim::catalogueFor(m_market->server.seed()), request);
        // Two pages of results, and enough rows that the fetch spans many events.
        QVERIFY(m_results.size() > 44u);
        QVERIFY(m_results.size() <= 88u);
    }
    void cleanupTestCase() { m_market.reset(); }
    void init() {
        gui::dialogs::resetScript();
        m_harness = std::make_unique<SimHarness>(*m_market);
        m_market->server.clearRequests();
    }
    void cleanup() {
        // Nothing may stay held or running once the window goes.
        if (m_gate) m_gate->release();
        m_harness->fetcher.setHook({});
        m_harness->fetchState.stopRequested = 1;
        QTRY_VERIFY_WITH_TIMEOUT(m_harness->fetchState.threads.running() == 0, kWalkTimeoutMs);
        m_harness.reset();
        m_gate.reset();
    }

    void searchFillsTheTableWhileTheWindowRuns() {
        SimHarness& h = *m_harness;
        h.window.keywordEdit()->setText(QStringLiteral("连衣裙"));
        h.window.pageCountEdit()->setText(QStringLiteral("2"));

        std::vector<Tick> ticks;
        bool resized = false;
        QTimer observer;
        observer.setInterval(1);
        QObject::connect(&observer, &QTimer::timeout, [&] {
            Tick tick{h.window.tableModel()->rowCount(), h.sellersShown(),
                      h.caption() == qt(search::stopCaption()), h.searchControlsEnabled(false)};
            ticks.push_back(tick);
            // Once rows show, the user resizes the window and scrolls the table.
            if (!resized && tick.running && tick.sellers > 0) {
                resized = true;
                h.window.resize(h.window.width() + 120, h.window.height() + 40);
                h.window.tableView()->scrollToBottom();
            }
        });
        observer.start();

        h.click(panel::Control::SearchButton);
        QCOMPARE(h.caption(), qt(search::stopCaption()));
        QTRY_VERIFY_WITH_TIMEOUT(h.fetchState.threads.running() == 0, kWalkTimeoutMs);
        observer.stop();

        // The fetch ran while the window thread kept serving its timer: the view
        // showed the rows and saw the sellers arrive a few at a time.
        std::set<int> partialFills;
        int lastRows = 0;
        for (const Tick& tick : ticks) {
            QVERIFY(tick.modelRows >= lastRows);
            lastRows = tick.modelRows;
            if (!tick.running) continue;
            if (tick.sellers > 0) QVERIFY(tick.locked);
            if (tick.sellers > 0 && tick.sellers < tick.modelRows) partialFills.insert(tick.sellers);
        }
        QVERIFY(partialFills.size() >= 3);
        QVERIFY(std::any_of(ticks.begin(), ticks.end(), [](const Tick& t) { return t.running && t.locked; }));

        // The resize and the scroll took effect during the fetch.
        QVERIFY(resized);
        QCOMPARE(h.window.controlPanel()->geometry().right() + 1,
                 h.window.width() - gui::MainWindow::kPanelRightMargin);
        QCOMPARE(h.window.tableView()->geometry().right() + 1, h.window.controlPanel()->x() - 1);

        QCOMPARE(h.window.statusText(), search::doneText());
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        QVERIFY(h.searchControlsEnabled(true));
        const int expectedRows = static_cast<int>(m_results.size());
        QTRY_COMPARE(h.window.tableModel()->rowCount(), expectedRows);
        QCOMPARE(h.window.progressText(), search::progressText(expectedRows, expectedRows));
        for (int row = 0; row < expectedRows; ++row) {
            const sim::CatalogueItem& item = *m_results[static_cast<std::size_t>(row)];
            QCOMPARE(h.shown(row, table::kSeq), QString::number(row));
            QCOMPARE(h.shown(row, table::kUrl), qt(sim::itemUrl(h.market.itemHost, item.id)));
            QCOMPARE(h.shown(row, table::kSeller), qt(item.seller));
        }
        QVERIFY(gui::dialogs::shownMessages().isEmpty());
    }

    void enterStartsAndStopsButShiftEnterDoesNot() {
        SimHarness& h = *m_harness;
        QLineEdit* edit = h.window.keywordEdit();
        edit->setText(QStringLiteral("连衣裙"));
        h.window.pageCountEdit()->setText(QStringLiteral("1"));
        h.window.activateWindow();
        edit->setFocus();

        // The box does report these keys; the handler is what ignores them.
        QSignalSpy returns(edit, &QLineEdit::returnPressed);
        for (Qt::KeyboardModifier held : {Qt::ShiftModifier, Qt::ControlModifier}) {
            QTest::keyClick(edit, Qt::Key_Return, held);
            QCOMPARE(returns.size(), held == Qt::ShiftModifier ? 1 : 2);
            QCOMPARE(h.caption(), qt(search::searchCaption()));
            QCOMPARE(h.fetchState.threads.running(), 0);
        }
        QVERIFY(m_market->server.requests().empty());

        // Hold the detail fetch so the second Enter meets a running search.
        m_gate = std::make_unique<ItemPageGate>(3);
        ItemPageGate* gate = m_gate.get();
        h.fetcher.setHook([gate](const std::string& url) { gate->onFetch(url); });

        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(h.caption(), qt(search::stopCaption()));
        QTRY_VERIFY_WITH_TIMEOUT(gate->isHeld(), kWalkTimeoutMs);
        QVERIFY(h.searchControlsEnabled(false));
        QCOMPARE(h.window.statusText(), search::fetchingInfoText());

        // The keyword box is locked while the search runs: its Enter cannot
        // stop the search, the button does.
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(h.caption(), qt(search::stopCaption()));
        h.click(panel::Control::SearchButton);
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        gate->release();
        QTRY_VERIFY_WITH_TIMEOUT(h.fetchState.threads.running() == 0, kWalkTimeoutMs);
        QCOMPARE(h.window.statusText(), search::stoppedText());
        QVERIFY(h.searchControlsEnabled(true));

        // Enabled again, a plain Enter runs the search to its end.
        h.fetcher.setHook({});
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(h.caption(), qt(search::stopCaption()));
        QTRY_VERIFY_WITH_TIMEOUT(h.fetchState.threads.running() == 0, kWalkTimeoutMs);
        QCOMPARE(h.window.statusText(), search::doneText());
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        QVERIFY(h.searchControlsEnabled(true));
        QTRY_COMPARE(h.window.tableModel()->rowCount(), 44);
        QCOMPARE(h.sellersShown(), 44);
    }

    void stopDuringTheDetailFetch() {
        SimHarness& h = *m_harness;
        h.window.keywordEdit()->setText(QStringLiteral("连衣裙"));
        h.window.pageCountEdit()->setText(QStringLiteral("2"));
        m_gate = std::make_unique<ItemPageGate>(6);
        ItemPageGate* gate = m_gate.get();
        h.fetcher.setHook([gate](const std::string& url) { gate->onFetch(url); });

        h.click(panel::Control::SearchButton);
        QTRY_VERIFY_WITH_TIMEOUT(gate->isHeld(), kWalkTimeoutMs);
        QCOMPARE(h.caption(), qt(search::stopCaption()));
        QVERIFY(h.searchControlsEnabled(false));

        // The stop click gives the controls back before the worker even hears of it.
        h.click(panel::Control::SearchButton);
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        QVERIFY(h.searchControlsEnabled(true));
        gate->release();
        QTRY_VERIFY_WITH_TIMEOUT(h.fetchState.threads.running() == 0, kWalkTimeoutMs);
        QCOMPARE(h.window.statusText(), search::stoppedText());
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        QVERIFY(h.searchControlsEnabled(true));

        // The row in flight is written; every later row keeps only its address.
        const int rows = static_cast<int>(m_results.size());
        QTRY_COMPARE(h.window.tableModel()->rowCount(), rows);
        int inFlight = -1;
        for (int r = 0; r < rows; ++r) {
            if (h.table.cell(r, table::kUrl) == gate->heldUrl()) inFlight = r;
        }
        QVERIFY(inFlight >= 0);
        QVERIFY(inFlight < rows - 1);
        for (int r = 0; r < rows; ++r) {
            const bool done = r <= inFlight;
            QCOMPARE(h.shown(r, table::kSeller).isEmpty(), !done);
            QCOMPARE(h.shown(r, table::kSeq), QString::number(r));
            QVERIFY(!h.shown(r, table::kUrl).isEmpty());
            if (done) continue;
            for (int c = 0; c < table::kColumnCount; ++c) {
                if (c == table::kSeq || c == table::kUrl) continue;
                QCOMPARE(h.shown(r, c), QString());
            }
        }
    }

    void listPageFillsTheTableOnTheWindowThread() {
        SimHarness& h = *m_harness;
        h.window.pageCountEdit()->setText(QStringLiteral("1"));
        const std::string address = "http://" + h.market.searchHost + sim::kListPagePrefix +
                                    "pasted.htm?q=" + search::percentEncode(text::gbk("连衣裙"));
        bool allOnWindowThread = true;
        h.fetcher.setHook([&](const std::string&) {
            if (QThread::currentThread() != qApp->thread()) allOnWindowThread = false;
        });

        std::vector<Tick> ticks;
        QTimer observer;
        observer.setInterval(1);
        QObject::connect(&observer, &QTimer::timeout, [&] {
            int sellers = 0;
            for (int r = 0; r < h.table.rowCount(); ++r) {
                if (!h.table.cell(r, table::kSeller).empty()) ++sellers;
            }
            ticks.push_back(Tick{h.table.rowCount(), sellers, true, false});
        });
        observer.start();
        gui::dialogs::setNextInput(QString::fromStdString(address));
        h.click(panel::Control::ListPageButton);
        const std::size_t ticksDuringClick = ticks.size();
        observer.stop();

        QCOMPARE(gui::dialogs::shownPrompts(), QStringList{qt(search::listPagePrompt())});
        QVERIFY(allOnWindowThread);
        QCOMPARE(h.fetchState.threads.running(), 0);
        // The query let the timer run between its rows: the table grew and filled
        // while the click was still being handled.
        std::set<int> partialFills;
        for (std::size_t i = 0; i < ticksDuringClick; ++i) {
            if (ticks[i].sellers > 0 && ticks[i].sellers < ticks[i].modelRows)
                partialFills.insert(ticks[i].sellers);
        }
        QVERIFY(partialFills.size() >= 3);

        // No completion text and no control or caption change.
        QCOMPARE(h.window.statusText(), search::fetchingInfoText());
        QCOMPARE(h.caption(), qt(search::searchCaption()));
        QVERIFY(h.searchControlsEnabled(true));
        const int rows = std::min(44, static_cast<int>(m_results.size()));
        QTRY_COMPARE(h.window.tableModel()->rowCount(), rows);
        QCOMPARE(h.sellersShown(), rows);
        QCOMPARE(h.window.progressText(), search::progressText(rows, rows));

        // Cancelling the next prompt leaves the table as it is and asks for nothing.
        m_market->server.clearRequests();
        gui::dialogs::setNextInput(std::nullopt);
        h.click(panel::Control::ListPageButton);
        QCOMPARE(gui::dialogs::shownPrompts().size(), 2);
        QVERIFY(m_market->server.requests().empty());
        QCOMPARE(h.table.rowCount(), rows);
        QCOMPARE(h.sellersShown(), rows);
        QCOMPARE(h.window.statusText(), search::fetchingInfoText());
    }

    void refreshFillsTheFailedRows() {
        SimHarness& h = *m_harness;
        // Row 0 is complete; rows 1 and 2 failed their analysis earlier.
        for (int r = 0; r < 3; ++r) {
            const sim::CatalogueItem& item = *m_results[static_cast<std::size_t>(r)];
            const int row = h.table.appendRow();
            h.table.setCell(row, table::kSeq, std::to_string(row));
            h.table.setCell(row, table::kUrl, sim::itemUrl(h.market.itemHost, item.id));
        }
        h.table.setCell(0, table::kSeller, "x");
        h.table.setCell(0, table::kStartTime, "y");

        const std::string completeUrl = h.table.cell(0, table::kUrl);
        bool lockedDuringFetch = true;
        bool statusDuringFetch = true;
        bool completeRowFetched = false;
        h.fetcher.setHook([&](const std::string& url) {
            if (url == completeUrl) completeRowFetched = true;
            for (panel::Control c : {panel::Control::PageCountEdit, panel::Control::SearchButton,
                                     panel::Control::ExportButton, panel::Control::StoreButton}) {
                if (h.control(c)->isEnabled()) lockedDuringFetch = false;
            }
            if (h.window.statusText() != text::gbk("正在刷新失败的项目。")) statusDuringFetch = false;
        });
        h.click(panel::Control::RefreshButton);

        QVERIFY(lockedDuringFetch);
        QVERIFY(statusDuringFetch);
        QVERIFY(!completeRowFetched);
        QVERIFY(!m_market->server.requests().empty());
        QCOMPARE(h.window.statusText(), std::string());
        for (panel::Control c : {panel::Control::PageCountEdit, panel::Control::SearchButton,
                                 panel::Control::ExportButton, panel::Control::StoreButton}) {
            QVERIFY(h.control(c)->isEnabled());
        }
        QCOMPARE(h.table.cell(0, table::kSeller), std::string("x"));
        for (int r = 1; r < 3; ++r) {
            const sim::CatalogueItem& item = *m_results[static_cast<std::size_t>(r)];
            QCOMPARE(h.table.cell(r, table::kSeller), item.seller);
            QCOMPARE(h.table.cell(r, table::kTitle), std::string());  // not a refreshed column
        }
        QTRY_COMPARE(h.sellersShown(), 3);
    }

    void regionHelpExplainsTheRegionBox() {
        m_harness->click(panel::Control::RegionHelpButton);
        QCOMPARE(gui::dialogs::shownMessages(),
                 QStringList{QStringLiteral(
                     "使用方法类似淘宝的商品列表页\r\n只需输入需要查询的城市名或者省份名称\r\n")});
        QCOMPARE(m_harness->fetchState.threads.running(), 0);
        QCOMPARE(m_harness->caption(), qt(search::searchCaption()));
    }

  private:
    std::unique_ptr<testing::SimulatedMarket> m_market;
    std::vector<const sim::CatalogueItem*> m_results;
    std::unique_ptr<SimHarness> m_harness;
    std::unique_ptr<ItemPageGate> m_gate;
};

SHELFWATCH_GUI_TEST_MAIN(KeywordSearchTest)

#include "keyword_search_test.moc"

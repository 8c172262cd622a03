// The "查询单个商品" button against the in-process simulator, with the input box
// scripted: the text window, its report, the message box, the table untouched.
#include "app/app.h"
#include "config/market_config.h"
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"
#include "gui/text_window.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/fetch_state.h"
#include "search/walk_context.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "gui_harness.h"
#include "item_pages.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace shelfwatch;

namespace {

std::string gbk(const char* utf8) { return text::gbk(utf8); }

// A main window whose fetcher talks to the simulator and whose clock is pinned
// to the catalogue's reference time.
struct SimHarness {
    explicit SimHarness(const testing::SimulatedMarket& simulated)
        : program(testing::appOptionsFor(simulated, item::fromCivil(2014, 7, 31, 8, 0, 0))),
          window(table, gui::MainWindow::Options{false}),
          panel(window),
          binding(program, panel),
          context{binding.context(), window, panel} {
        window.attach(&context);
    }
    ~SimHarness() { panel.shutDown(); }

    void clickSingleItem() {
        auto* button = qobject_cast<QPushButton*>(window.control(panel::Control::SingleItemButton));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    app::App program;
    table::ResultTable& table = program.table();
    search::FetchState& fetchState = program.fetchState();
    gui::MainWindow window;
    gui::QtMainPanel panel;
    app::PanelBinding binding;
    gui::GuiContext context;
};

int openTextWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<gui::TextWindow*>(widget) && widget->isVisible()) ++count;
    }
    return count;
}

}  // namespace

class SingleItemTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        m_market = std::make_unique<testing::SimulatedMarket>();
        QVERIFY(m_market->start());
    }
    void cleanupTestCase() { m_market.reset(); }
    void init() {
        gui::dialogs::resetScript();
        m_harness = std::make_unique<SimHarness>(*m_market);
    }
    void cleanup() { m_harness.reset(); }

    void cancelOpensNoWindow() {
        m_market->server.clearRequests();
        gui::dialogs::setNextInput(std::nullopt);
        m_harness->clickSingleItem();
        QCOMPARE(gui::dialogs::shownPrompts().size(), 1);
        const QString expectedPrompt = QStringLiteral("请输入淘宝商品页的地址：\n例如：http://") +
                                       QString::fromStdString(m_market->server.host()) + "/item.htm?id=123";
        QCOMPARE(gui::dialogs::shownPrompts().front(), expectedPrompt);
        QVERIFY(gui::currentTextWindow() == nullptr);
        QCOMPARE(openTextWindows(), 0);
        QVERIFY(m_market->server.requests().empty());
    }

    void reportFollowsTheWaitingText() {
        const std::string url = sim::itemUrl(m_market->server.host(), sim::fixture::kWorkedExample);
        gui::dialogs::setNextInput(QString::fromStdString(url + "\" target=\"_blank"));
        m_harness->clickSingleItem();
        gui::TextWindow* window = gui::currentTextWindow();
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), QPoint(gui::TextWindow::kDesignedLeft, gui::TextWindow::kDesignedTop));
        QCOMPARE(window->edit()->geometry(),
                 QRect(0, 0, gui::TextWindow::kEditWidth, gui::TextWindow::kEditHeight));
        QCOMPARE(window->windowTitle(), QString());
        const std::string expected = gbk("获取内容中，请稍候。。被查看网址：") + url + "\r\n" +
                                     gbk("网页标题：2014夏季新款 韩版修身连衣裙\r\n"
                                         "店主：小美的店\r\n"
                                         "上架时间：2014年7月25日8时\r\n"
                                         "下架时间：2014年8月1日8时\r\n"
                                         "剩余分钟：1440\r\n"
                                         "剩余库存：70\r\n"
                                         "当前销量：30\r\n"
                                         "商品售价：128.00\r\n"
                                         "所在地：浙江杭州\r\n");
        QCOMPARE(window->content(), expected);
        QVERIFY(window->edit()->toPlainText().contains(QStringLiteral("剩余分钟：1440\n剩余库存：70")));
        QVERIFY(gui::dialogs::shownMessages().isEmpty());
        QCOMPARE(m_harness->table.rowCount(), 0);
    }

    void messageBoxKeepsTheWaitingText() {
        gui::dialogs::setNextInput(
            QString::fromStdString(sim::itemUrl(m_market->server.host(), sim::fixture::kRemoved)));
        m_harness->clickSingleItem();
        QCOMPARE(gui::dialogs::shownMessages(),
                 QStringList{QStringLiteral("很抱歉，您查看的宝贝不存在，可能已下架或者被转移")});
        QVERIFY(gui::currentTextWindow() != nullptr);
        QCOMPARE(gui::currentTextWindow()->content(), gbk("获取内容中，请稍候。。"));
        QCOMPARE(m_harness->table.rowCount(), 0);
    }

    void emptyInputShowsAnEmptyReport() {
        gui::dialogs::setNextInput(QString());
        m_harness->clickSingleItem();
        QVERIFY(gui::currentTextWindow() != nullptr);
        const std::string content = gui::currentTextWindow()->content();
        QVERIFY(content.find(gbk("上架时间：1970年1月1日8时\r\n")) != std::string::npos);
        QVERIFY(content.find(gbk("剩余库存：0\r\n当前销量：0\r\n")) != std::string::npos);
        QVERIFY(gui::dialogs::shownMessages().isEmpty());
    }

    void aNewQueryReplacesTheWindow() {
        gui::dialogs::setNextInput(
            QString::fromStdString(sim::itemUrl(m_market->server.host(), sim::fixture::kMallPlain)));
        m_harness->clickSingleItem();
        QPointer<gui::TextWindow> first = gui::currentTextWindow();
        QVERIFY(first);
        QVERIFY(first->content().find(gbk("店主：优品数码旗舰店")) != std::string::npos);

        gui::dialogs::setNextInput(
            QString::fromStdString(sim::itemUrl(m_market->server.host(), sim::fixture::kOversold)));
        m_harness->clickSingleItem();
        QVERIFY(gui::currentTextWindow() != first.data());
        QVERIFY(!first || !first->isVisible());
        QCOMPARE(openTextWindows(), 1);
        QVERIFY(gui::currentTextWindow()->content().find(gbk("剩余库存：0\r\n")) != std::string::npos);
    }

    // The fetches let window events run, so a second click can start a query
    // while the first one waits; the first must not write into the window that
    // the second one replaced.
    void aClickDuringAQueryTakesOverTheWindow() {
        const std::string first = sim::itemUrl(m_market->server.host(), sim::fixture::kMallPlain);
        const std::string second = sim::itemUrl(m_market->server.host(), sim::fixture::kOversold);
        bool nested = false;
        QPointer<gui::TextWindow> firstWindow;
        SimHarness* harness = m_harness.get();
        net::setThreadEventPump([&] {
            if (nested) return;
            nested = true;
            firstWindow = gui::currentTextWindow();
            gui::dialogs::setNextInput(QString::fromStdString(second));
            harness->clickSingleItem();
        });
        gui::dialogs::setNextInput(QString::fromStdString(first));
        m_harness->clickSingleItem();
        net::setThreadEventPump({});

        QVERIFY(nested);
        QCOMPARE(openTextWindows(), 1);
        const std::string content = gui::currentTextWindow()->content();
        QVERIFY(content.find(gbk("被查看网址：") + second + "\r\n") != std::string::npos);
        QVERIFY(content.find(first) == std::string::npos);
        QVERIFY(firstWindow.isNull() || firstWindow->content() == gbk("获取内容中，请稍候。。"));
        QCOMPARE(gui::dialogs::shownPrompts().size(), 2);
    }

    // The user closes the waiting window while the page is fetched: what the
    // answer says is no longer anyone's concern, so no message box either.
    void closingTheWindowDuringTheFetchDropsTheMessage() {
        bool closed = false;
        net::setThreadEventPump([&] {
            if (closed || gui::currentTextWindow() == nullptr) return;
            closed = true;
            gui::currentTextWindow()->close();
        });
        gui::dialogs::setNextInput(
            QString::fromStdString(sim::itemUrl(m_market->server.host(), sim::fixture::kRemoved)));
        m_harness->clickSingleItem();
        net::setThreadEventPump({});
        QVERIFY(closed);
        QVERIFY(gui::dialogs::shownMessages().isEmpty());
    }

  private:
    std::unique_ptr<testing::SimulatedMarket> m_market;
    std::unique_ptr<SimHarness> m_harness;
};

SHELFWATCH_GUI_TEST_MAIN(SingleItemTest)

#include "single_item_test.moc"

// The Qt MainPanel: texts cross the GBK edge intact, worker calls are carried
// out on the window thread, dialogs follow the script, and a shut-down panel
// never keeps a worker waiting.
#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <atomic>
#include <memory>
#include <thread>

using shelfwatch::panel::Control;
using shelfwatch::testing::GuiHarness;
namespace dialogs = shelfwatch::gui::dialogs;
using shelfwatch::text::gbk;

class MainPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        dialogs::resetScript();
        m_harness = std::make_unique<GuiHarness>();
    }
    void cleanup() { m_harness.reset(); }

    void workerCallsRunOnTheWindowThread() {
        auto& panel = m_harness->panel;
        m_harness->window.keywordEdit()->setText(QStringLiteral("连衣裙"));
        std::string keywordSeen;
        bool exportEnabledSeen = true;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            keywordSeen = panel.keyword();
            panel.setStatus(gbk("正在获取第1页"));
            panel.setProgress(gbk("进度： 3 / 10"));
            panel.setEnabled(Control::ExportButton, false);
            exportEnabledSeen = panel.isEnabled(Control::ExportButton);
            panel.setSearchButtonCaption(gbk("停止获取"));
            panel.processEvents();  // nothing on a worker
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCOMPARE(keywordSeen, gbk("连衣裙"));
        QVERIFY(!exportEnabledSeen);
        QCOMPARE(m_harness->window.statusLabel()->text(), QStringLiteral("正在获取第1页"));
        QCOMPARE(m_harness->window.progressLabel()->text(), QStringLiteral("进度： 3 / 10"));
        QCOMPARE(m_harness->window.searchButton()->text(), QStringLiteral("停止获取"));
        QCOMPARE(panel.searchButtonCaption(), gbk("停止获取"));
    }

    void controlValuesRoundTrip() {
        auto& panel = m_harness->panel;
        panel.setKeyword(gbk("女装 夏"));
        QCOMPARE(m_harness->window.keywordEdit()->text(), QStringLiteral("女装 夏"));
        QCOMPARE(panel.keyword(), gbk("女装 夏"));
        panel.setPageCountText("3");
        QCOMPARE(panel.pageCountText(), std::string("3"));
        m_harness->window.regionEdit()->setText(QStringLiteral("杭州,上海"));
        QCOMPARE(panel.region(), gbk("杭州,上海"));
        QCOMPARE(panel.sortIndex(), 0);
        QCOMPARE(panel.directionIndex(), 0);
        panel.setEnabled(Control::ResultTable, false);
        QVERIFY(!m_harness->window.tableView()->isEnabled());
        QVERIFY(!m_harness->table.isEnabled());
        panel.setCollectProgressVisible(true);
        QVERIFY(m_harness->window.collectProgressBox()->isVisibleTo(&m_harness->window));
    }

    void statusLinesSplitAtCrLf() {
        m_harness->panel.setStatus(gbk("完成操作。\r\n共 12 条"));
        QCOMPARE(m_harness->window.statusLabel()->text(), QStringLiteral("完成操作。\n共 12 条"));
        QCOMPARE(m_harness->panel.status(), gbk("完成操作。\r\n共 12 条"));
    }

    void inputBoxFollowsTheScript_data() {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("answer");
        QTest::newRow("ok") << true << QStringLiteral("http://item.taobao.com/item.htm?id=1");
        QTest::newRow("ok with Chinese") << true << QStringLiteral("店铺名");
        QTest::newRow("ok with nothing typed") << true << QString();
        QTest::newRow("cancel") << false << QString();
    }

    void inputBoxFollowsTheScript() {
        QFETCH(bool, answered);
        QFETCH(QString, answer);
        if (answered)
            dialogs::setNextInput(answer);
        else
            dialogs::setNextInput(std::nullopt);
        std::optional<std::string> result;
        std::thread worker([&] { result = m_harness->panel.askText(gbk("请输入网址："), ""); });
        QTRY_VERIFY(dialogs::shownPrompts().size() == 1);
        worker.join();
        QCOMPARE(dialogs::shownPrompts().first(), QStringLiteral("请输入网址："));
        QCOMPARE(result.has_value(), answered);
        if (answered) QCOMPARE(*result, shelfwatch::gui::toGbk(answer));
    }

    void messagesAreRecorded() {
        m_harness->panel.showMessage(gbk("复制成功。"));
        QCOMPARE(dialogs::shownMessages(), QStringList{QStringLiteral("复制成功。")});
    }

    void shutDownReleasesWorkers() {
        auto& panel = m_harness->panel;
        std::atomic<bool> stop{false};
        std::atomic<int> calls{0};
        std::thread worker([&] {
            while (!stop.load()) {
                panel.setStatus(gbk("进度"));
                ++calls;
            }
            // After the shut-down a call neither waits nor reaches the window.
            panel.setStatus(gbk("晚到的"));
            panel.keyword();
        });
        QTRY_VERIFY(calls.load() > 10);
        panel.shutDown();
        stop = true;
        worker.join();  // would hang if a call still waited for the window thread
        QVERIFY(panel.isShutDown());
        QCOMPARE(m_harness->window.statusLabel()->text(), QStringLiteral("进度"));
    }

  private:
    std::unique_ptr<GuiHarness> m_harness;
};

SHELFWATCH_GUI_TEST_MAIN(MainPanelTest)
#include "main_panel_test.moc"

// The window's side of the history: walks recorded as they end, and the
// "变化对比" tab comparing the table with the previous run of its query.
#include "gui/history_view.h"

#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

table::ItemRecord listing(const std::string& id, const std::string& start, const std::string& price) {
    table::ItemRecord r;
    r.url = "https://item.taobao.com/item.htm?id=" + id;
    r.title = text::gbk("宝贝") + id;
    r.seller = "s";
    r.startTime = text::gbk(start);
    r.price = price;
    return r;
}

}  // namespace

class HistoryViewTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_dir = fs::temp_directory_path() /
                ("shelfwatch_history_view_" + std::to_string(QCoreApplication::applicationPid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void cleanup() { fs::remove_all(m_dir); }

    void comparesTheTableWithThePreviousRunOfItsQuery() {
        testing::GuiHarness h;
        h.context.walk.dataDir = m_dir;
        auto& recorder = gui::HistoryRecorder::of(h.window, h.context.walk);
        QCOMPARE(&gui::HistoryRecorder::of(h.window, h.context.walk), &recorder);
        const std::string address = "https://s.taobao.com/list?q=a";

        h.table.appendRecord(listing("1", "2014年7月1日", "10"));
        h.table.appendRecord(listing("2", "2014年7月2日", "20"));
        h.table.appendRecord(listing("3", "2014年7月3日", "30"));
        recorder.recordFinished(history::kKindListPage, address, 1, h.fetchState.stopClicks);
        // Another query in between is not what the table is compared with.
        h.table.clear();
        h.table.appendRecord(listing("9", "2014年7月9日", "90"));
        recorder.recordFinished(history::kKindListPage, address + "&other", 1, h.fetchState.stopClicks);

        h.table.clear();
        h.table.appendRecord(listing("1", "2014年7月1日", "12"));   // price moved
        h.table.appendRecord(listing("3", "2014年7月20日", "30"));  // relisted
        h.table.appendRecord(listing("4", "2014年7月4日", "40"));   // new; 2 is gone
        recorder.recordFinished(history::kKindListPage, address, 1, h.fetchState.stopClicks);

        gui::HistoryView view(h.context.walk, &recorder);
        QTreeWidget* changes = view.changes();
        QCOMPARE(changes->topLevelItemCount(), 4);
        QStringList seen;
        for (int i = 0; i < changes->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = changes->topLevelItem(i);
            seen << row->text(0) + " " + row->text(1) + " " + row->text(3) + ">" + row->text(4);
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("新上架 4 >"), QStringLiteral("已下架 2 >"),
                                    QStringLiteral("重新上架 3 2014年7月3日>2014年7月20日"),
                                    QStringLiteral("价格变化 1 10>12")}));
        QVERIFY(view.summaryText().contains(QStringLiteral("新上架 1，已下架 1，重新上架 1，变化 1 项")));

        // A table the recorder did not see (cleared by something else) has no query to compare.
        h.table.clear();
        view.refresh();
        QCOMPARE(changes->topLevelItemCount(), 0);
        QVERIFY(view.summaryText().contains(QStringLiteral("没有可对比")));
    }

    void recordsAThreadedWalkOnceItsThreadsEnd() {
        testing::GuiHarness h;
        h.context.walk.dataDir = m_dir;
        auto& recorder = gui::HistoryRecorder::of(h.window, h.context.walk);
        QSignalSpy recorded(&recorder, &gui::HistoryRecorder::recorded);
        std::atomic<bool> release{false};
        h.fetchState.threads.start(
            [&] {
                h.table.appendRecord(listing("1", "2014年7月1日", "10"));
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            },
            true);
        recorder.watchWalk(history::kKindKeyword, text::gbk("连衣裙"), 2);
        QTest::qWait(600);
        QCOMPARE(recorded.count(), 0);  // still walking
        // The user stops it; it is kept as stopped.
        ++h.fetchState.stopClicks;
        release = true;
        QTRY_COMPARE_WITH_TIMEOUT(recorded.count(), 1, 5000);
        const auto query = recorder.currentQuery();
        QVERIFY(query && query->run);
        QCOMPARE(query->run->outcome, history::Outcome::Stopped);
        QCOMPARE(query->run->rows, 1);
        QCOMPARE(query->run->subject, text::gbk("连衣裙"));
    }

  private:
    fs::path m_dir;
};

}  // namespace shelfwatch

SHELFWATCH_GUI_TEST_MAIN(shelfwatch::HistoryViewTest)
#include "history_view_test.moc"

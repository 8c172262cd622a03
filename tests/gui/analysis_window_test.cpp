// The export button and the analysis window with every dialog scripted: the
// workbook written, its closing or failure message, and the report page filled
// from the table and from an imported workbook, read back from the page's DOM.
#include "gui/analysis_window.h"

#include "gui/handlers/handlers.h"
#include "gui/qt_text.h"
#include "report/excel_export.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QApplication>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <filesystem>
#include <fstream>
#include <random>

using namespace shelfwatch;

namespace {

namespace fs = std::filesystem;

QString qt(const std::string& gbk) { return gui::fromGbk(gbk); }

// The page's answer to a script, waited for.
QVariant evaluate(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000)) return QStringLiteral("no answer");
    return result;
}

// Best hours listed | marked table cells | column of the first mark (hour + 1).
const char* const kBestState =
    "(function () {"
    "  var marked = document.querySelectorAll('#table-area td.best');"
    "  return document.querySelectorAll('#best-list li').length + '|' + marked.length + '|' +"
    "         (marked.length ? marked[0].cellIndex : -1);"
    "})()";

const char* const kPageState =
    "(function () {"
    "  var rows = document.querySelectorAll('#table-area tbody tr');"
    "  var totals = Array.prototype.map.call(rows, function (r) { return r.cells[r.cells.length - "
    "1].textContent; });"
    "  return rows.length + '|' + totals.join(',');"
    "})()";

}  // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT

  private:
    fs::path m_dir;

    void fill(table::ResultTable& table) {
        // Today 2014-07-25 15:30:20: two listings end today at 16h, one tomorrow, one ended long ago.
        const char* ends[] = {"2014年7月25日16时", "2014年7月25日16时59分59秒", "2014年7月26日9时",
                              "2014年7月1日"};
        for (const char* end : ends) {
            table::ItemRecord record;
            record.seq = std::to_string(table.rowCount());
            record.title = text::gbk("宝贝");
            record.endTime = text::gbk(end);
            table.appendRecord(record);
        }
    }

  private slots:
    void init() {
        gui::dialogs::resetScript();
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("shelfwatch-analysis-" + std::to_string(random()));
        fs::create_directories(m_dir);
    }
    void cleanup() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    void exportWritesTheWorkbookAndSaysWhere() {
        testing::GuiHarness h;
        fill(h.table);
        const QString chosen = QString::fromStdString((m_dir / "result").string());
        gui::dialogs::setNextFileName(chosen);
        gui::handlers::onExportClicked(h.context);
        const fs::path written = m_dir / "result.xlsx";
        QVERIFY(fs::exists(written));
        QCOMPARE(gui::dialogs::shownMessages(), QStringList{qt(report::exportDoneMessage(written))});
        QCOMPARE(h.panel.status(), std::string());
    }

    void exportCancelledDoesNothing() {
        testing::GuiHarness h;
        h.panel.setStatus("ready");
        gui::dialogs::setNextFileName(QString());
        gui::handlers::onExportClicked(h.context);
        QVERIFY(gui::dialogs::shownMessages().isEmpty());
        QCOMPARE(h.panel.status(), std::string("ready"));
    }

    void exportFailureIsNotReportedAsDone() {
        testing::GuiHarness h;
        fill(h.table);
        const fs::path target = m_dir / "missing" / "out.xlsx";
        gui::dialogs::setNextFileName(QString::fromStdString(target.string()));
        gui::handlers::onExportClicked(h.context);
        const QStringList messages = gui::dialogs::shownMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("导出失败：")));
        QVERIFY(messages[0].contains(QString::fromStdString(target.string())));
        QVERIFY(!fs::exists(target));
    }

    void reportsTheTableAndAnImportedWorkbook() {
        if (!fs::exists(gui::AnalysisWindow::pagePath())) QSKIP("report page not deployed");
        testing::GuiHarness h;
        fill(h.table);
        gui::AnalysisWindow window(h.table, h.clock);
        QCOMPARE(window.windowTitle(), QStringLiteral("数据分析"));
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.pageLoaded(), 20000);

        window.useCurrentData();
        QCOMPARE(window.statusText(), QString());
        QCOMPARE(window.sentScripts().size(), 3);
        QVERIFY(window.sentScripts()[0].startsWith(QStringLiteral("typeof asd")));
        QVERIFY(window.sentScripts()[2].startsWith(QStringLiteral("typeof best")));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window.view(), kPageState).toString(),
                                  QStringLiteral("7|2,1,0,0,0,0,0"), 10000);
        // The best hours: listed under the charts and marked in the table, the
        // first one the earliest empty prime hour of the week (today from 9:00).
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window.view(), kBestState).toString(), QStringLiteral("5|5|10"),
                                  10000);

        // The same rows through a workbook: the header row is purged, the counts agree.
        const fs::path workbook = m_dir / "in.xlsx";
        QVERIFY(report::exportResultTable(h.table, true, workbook, h.clock, h.panel).ok);
        h.table.clear();
        window.useCurrentData();
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window.view(), kPageState).toString(),
                                  QStringLiteral("7|0,0,0,0,0,0,0"), 10000);
        gui::dialogs::setNextFileName(QString::fromStdString(workbook.string()));
        window.importData();
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window.view(), kPageState).toString(),
                                  QStringLiteral("7|2,1,0,0,0,0,0"), 10000);
        QVERIFY(gui::dialogs::shownMessages().isEmpty());

        // A file that is no workbook: the message, and the page keeps its report.
        const fs::path bogus = m_dir / "bogus.xlsx";
        std::ofstream(bogus) << "not a workbook";
        gui::dialogs::setNextFileName(QString::fromStdString(bogus.string()));
        window.importData();
        QCOMPARE(gui::dialogs::shownMessages(), QStringList{QStringLiteral("打开excel文件失败！")});
        QCOMPARE(window.sentScripts().size(), 9);

        window.reject();
        QCOMPARE(window.view()->url().toString(), QStringLiteral("about:blank"));
    }
};

SHELFWATCH_GUI_TEST_MAIN(AnalysisWindowTest)
#include "analysis_window_test.moc"

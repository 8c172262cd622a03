// Start-up: the first-argument rule, the unrecognised-argument message, task
// mode keeping the window hidden, and the end of the program when the main
// window closes while a worker still writes to it.
#include "gui/startup.h"

#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

using shelfwatch::gui::StartDecision;
using shelfwatch::gui::StartMode;
using shelfwatch::testing::GuiHarness;
namespace dialogs = shelfwatch::gui::dialogs;
namespace gui = shelfwatch::gui;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { dialogs::resetScript(); }

    void firstArgumentRule_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("task");
        QTest::addColumn<QString>("reported");
        QTest::newRow("none") << QStringList{} << false << QString();
        QTest::newRow("task") << QStringList{"task"} << true << QString();
        QTest::newRow("task first of two") << QStringList{"task", "x"} << true << QString();
        QTest::newRow("upper case") << QStringList{"TASK"} << false << QStringLiteral("TASK");
        QTest::newRow("longer word") << QStringList{"tasks"} << false << QStringLiteral("tasks");
        QTest::newRow("task second") << QStringList{"go", "task"} << false << QStringLiteral("go");
        QTest::newRow("empty argument") << QStringList{""} << false << QString("");
        QTest::newRow("Chinese") << QStringList{QStringLiteral("任务")} << false << QStringLiteral("任务");
    }

    void firstArgumentRule() {
        QFETCH(QStringList, args);
        QFETCH(bool, task);
        QFETCH(QString, reported);
        std::vector<std::string> gbkArgs;
        for (const QString& arg : args) gbkArgs.push_back(shelfwatch::gui::toGbk(arg));
        const StartDecision decision = gui::decideStart(gbkArgs);
        QCOMPARE(decision.mode == StartMode::Task, task);
        const bool expectReport = !task && !args.isEmpty();
        QCOMPARE(decision.unknownArgument.has_value(), expectReport);
        if (expectReport) {
            QCOMPARE(shelfwatch::gui::fromGbk(*decision.unknownArgument), reported);
        }
    }

    void unrecognisedArgumentIsReportedThenWindowShown() {
        GuiHarness harness;
        StartDecision decision;
        decision.unknownArgument = shelfwatch::text::gbk("--看看");
        bool visibleWhileRunning = false;
        QTimer::singleShot(200, &harness.window, [&] {
            visibleWhileRunning = harness.window.isVisible();
            harness.window.close();
        });
        QCOMPARE(gui::runMainWindow(harness.context, decision), 0);
        QCOMPARE(dialogs::shownMessages(), QStringList{QStringLiteral("未知的启动参数：--看看")});
        QVERIFY(visibleWhileRunning);
        QVERIFY(harness.window.noticeTimer()->isActive());
        QCOMPARE(harness.window.noticeTimer()->interval(), 3600000);
        QCOMPARE(harness.cookies.localCookieText(), std::string());
    }

    void taskModeKeepsTheWindowHidden() {
        GuiHarness harness;
        StartDecision decision;
        decision.mode = StartMode::Task;
        QCOMPARE(gui::runMainWindow(harness.context, decision), 0);
        QVERIFY(!harness.window.isVisible());
        QVERIFY(!harness.window.testAttribute(Qt::WA_WState_ExplicitShowHide));
        QVERIFY(!harness.window.noticeTimer()->isActive());
        QVERIFY(dialogs::shownMessages().isEmpty());
    }

    void closingTheWindowEndsTheLoopWhileAWorkerWrites() {
        GuiHarness harness;
        std::atomic<bool> stop{false};
        std::atomic<int> writes{0};
        std::thread worker([&] {
            while (!stop.load()) {
                const int row = harness.table.appendRow();
                harness.table.setCell(row, shelfwatch::table::kTitle, "x");
                harness.panel.setProgress(std::to_string(row));
                ++writes;
            }
        });
        QTimer::singleShot(300, &harness.window, [&] { harness.window.close(); });
        QCOMPARE(gui::runMainWindow(harness.context, StartDecision{}), 0);
        QVERIFY(writes.load() > 0);
        // The worker's panel calls no longer wait for the ended loop.
        const int before = writes.load();
        QTRY_VERIFY(writes.load() > before + 10);
        stop = true;
        worker.join();
    }

    // The real program: a scheduled task run where no display exists.
    void taskModeWithoutDisplayRunsHeadless() {
        QTemporaryDir dataDir;
        QVERIFY(dataDir.isValid());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SHELFWATCH_BIN_DIR "/shelfwatch"),
                      {QStringLiteral("--data-dir"), dataDir.path(), QStringLiteral("task")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }
};

SHELFWATCH_GUI_TEST_MAIN(StartupTest)
#include "startup_test.moc"

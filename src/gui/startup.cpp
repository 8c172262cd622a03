#include "gui/startup.h"

#include "config/data_dir.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"
#include "net/page_fetcher.h"
#include "text/gbk_text.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "config/command_line.h"

#include <windows.h>
#else
#include <unistd.h>
#endif

namespace shelfwatch::gui {
namespace {

const std::string kTaskArgument = "task";

void setDefaultEnv(const char* name, const char* value) {
    if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
}

// Takes "--now VALUE" / "--now=VALUE" out of `args`; the last readable value counts.
std::optional<item::DateTime> takeNowOption(std::vector<std::string>& args) {
    std::optional<item::DateTime> now;
    for (std::size_t i = 0; i < args.size();) {
        std::string value;
        std::size_t taken = 0;
        if (args[i] == "--now" && i + 1 < args.size()) {
            value = args[i + 1];
            taken = 2;
        } else if (args[i].rfind("--now=", 0) == 0) {
            value = args[i].substr(6);
            taken = 1;
        }
        if (taken == 0) {
            ++i;
            continue;
        }
        item::DateTime parsed;
        if (item::parseIsoDateTime(value, parsed)) now = parsed;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + taken));
    }
    return now;
}

}  // namespace

bool prepareProcessEnvironment(int argc, char** argv) {
    // The web engine refuses to start as root with its sandbox on, and its GPU
    // path only produces warnings on virtual displays.
#ifndef _WIN32
    if (::geteuid() == 0) setDefaultEnv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    setDefaultEnv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    config::takeDataDirOption(args);
    takeNowOption(args);
    const bool taskMode = !args.empty() && args.front() == kTaskArgument;
#ifdef _WIN32
    return false;
#else
    // A scheduled task run has no display: run without one instead of failing.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") &&
                           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (taskMode && noDisplay) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    return false;
#endif
}

StartArguments readStartArguments() {
    StartArguments start;
#ifdef _WIN32
    // The system's own command line, split the classic way (GBK bytes).
    start.args = config::splitCommandLine(::GetCommandLineA());
    start.dataDir = config::takeDataDirOption(start.args);
    start.now = takeNowOption(start.args);
#else
    const QStringList qtArgs = QCoreApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < qtArgs.size(); ++i) args.push_back(qtArgs.at(i).toStdString());
    start.dataDir = config::takeDataDirOption(args);
    start.now = takeNowOption(args);
    for (const std::string& arg : args) start.args.push_back(text::utf8ToGbk(arg));
#endif
    return start;
}

StartDecision decideStart(const std::vector<std::string>& args) {
    StartDecision decision;
    if (args.empty()) return decision;
    if (args.front() == kTaskArgument) {
        decision.mode = StartMode::Task;
    } else {
        decision.unknownArgument = args.front();
    }
    return decision;
}

void applySkin(const std::filesystem::path& programDir) {
    // The skinning library exists only as a Windows DLL; without it (always,
    // elsewhere) the toolkit's look is kept.
    std::error_code error;
    if (!std::filesystem::exists(programDir / "Skin_lib.dll", error)) return;
}

int runMainWindow(GuiContext& ctx, const StartDecision& decision) {
    net::setThreadEventPump([] { QCoreApplication::processEvents(); });
    MainWindow& window = ctx.window;

    if (decision.mode == StartMode::Task) {
        handlers::openNotice(ctx, "task", "", SHELFWATCH_VERSION);
        const int exitCode = handlers::runTaskMode(ctx);
        ctx.panel.shutDown();
        return exitCode;
    }

    if (decision.unknownArgument) {
        static const std::string kUnknown = text::gbk("未知的启动参数：");
        ctx.panel.showMessage(kUnknown + *decision.unknownArgument);
    }
    window.show();
    applySkin(config::programDir());
    handlers::openNotice(ctx, "start", "", SHELFWATCH_VERSION);
    window.noticeTimer()->start(MainWindow::kNoticeIntervalMs);
    handlers::onLocalCookieClicked(ctx, false);

    // Closing the main window ends the program even while other windows are open.
    QObject::connect(&window, &MainWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QApplication::exec();
    ctx.panel.shutDown();
    return 0;
}

void endProcess(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

}  // namespace shelfwatch::gui

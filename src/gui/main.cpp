// The desktop program: builds the core context over the real fetcher, clock and
// data directory, the main window and its panel, and runs the start-up.
#include "app/app.h"
#include "config/data_dir.h"
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"
#include "gui/startup.h"

#include <QApplication>

#include <memory>
#include <utility>

int main(int argc, char** argv) {
    using namespace shelfwatch;
    const bool headless = gui::prepareProcessEnvironment(argc, argv);
    QApplication qtApp(argc, argv);

    const gui::StartArguments start = gui::readStartArguments();
    app::AppOptions appOptions;
    appOptions.dataDir = config::resolveDataDir(start.dataDir);
    if (start.now) appOptions.clock = std::make_unique<item::FixedClock>(*start.now);
    app::App program(std::move(appOptions));

    gui::MainWindow::Options options;
    options.noticeBrowser = !headless;
    gui::MainWindow window(program.table(), options);
    gui::QtMainPanel panel(window);
    app::PanelBinding binding(program, panel);
    gui::GuiContext context{binding.context(), window, panel};
    window.attach(&context);
    gui::dialogs::setHeadless(headless);

    // Closing the window ends the process there and then, also while a handler
    // is still walking pages on the window thread or workers still fetch.
    QObject::connect(&window, &gui::MainWindow::closed, [] { gui::endProcess(0); });

    const int exitCode = gui::runMainWindow(context, gui::decideStart(start.args));
    // Workers still running are detached and hold references into this frame.
    gui::endProcess(exitCode);
}

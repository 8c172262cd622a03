// What a window handler needs, handed to it instead of reached through globals:
// the context walks receive (table, panel port, fetcher, hosts, clock, shared
// fetch state, data directory), the main window and its MainPanel
// implementation. Lives as long as the main window; used on the window thread.
#pragma once

#include "search/walk_context.h"

namespace shelfwatch::gui {

class MainWindow;
class QtMainPanel;

struct GuiContext {
    search::WalkContext& walk;
    MainWindow& window;
    QtMainPanel& panel;
};

}  // namespace shelfwatch::gui

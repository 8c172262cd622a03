// The unattended run started by the "task" argument: every saved task in turn,
// on the window thread, with the main window hidden.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

#include <cstdio>

namespace shelfwatch::gui::handlers {

int runTaskMode(GuiContext& ctx) {
    (void)ctx;
    std::fputs("shelfwatch: task mode is not available in this build\n", stderr);
    return 0;
}

}  // namespace shelfwatch::gui::handlers

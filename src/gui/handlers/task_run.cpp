// The unattended run started by the "task" argument: every saved task in turn,
// on the window thread, with the main window hidden. With a display, a message
// a query raises waits for its click; headless it goes to standard error. Both
// are kept in the run's run.log.
#include "task/task_run.h"

#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

int runTaskMode(GuiContext& ctx) {
    task::TaskRunOptions options = task::defaultRunOptions(ctx.walk.dataDir);
    options.showMessages = !dialogs::isHeadless();
    task::runTasks(ctx.walk, options);
    return 0;
}

}  // namespace shelfwatch::gui::handlers

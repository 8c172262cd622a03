// The analysis window: delistings per hour over the next seven days.
#include "gui/analysis_window.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/history_view.h"
#include "gui/main_window.h"

namespace shelfwatch::gui::handlers {

void onAnalysisClicked(GuiContext& ctx) {
    AnalysisWindow window(ctx.walk.table, ctx.walk.clock, &ctx.window);
    window.setDataDir(ctx.walk.dataDir);
    window.addChangesTab(new HistoryView(ctx.walk, &HistoryRecorder::of(ctx.window, ctx.walk)));
    window.exec();
}

}  // namespace shelfwatch::gui::handlers

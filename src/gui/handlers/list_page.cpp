// List-page query: a list page address pasted from the browser.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/history_view.h"
#include "gui/main_window.h"
#include "history/history_store.h"
#include "search/list_page_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::gui::handlers {

// Runs on the window thread; the query lets the window events run per page and row.
// The click of the core (ask for the address, walk it) with the finished walk recorded.
void onListPageClicked(GuiContext& ctx) {
    const std::optional<std::string> address = ctx.walk.panel.askText(search::listPagePrompt(), "");
    if (!address) return;
    const unsigned stopClicks = ctx.walk.fetchState.stopClicks;
    search::runListPageQuery(ctx.walk, *address);
    HistoryRecorder::of(ctx.window, ctx.walk)
        .recordFinished(history::kKindListPage, *address, text::toInt(ctx.walk.panel.pageCountText()),
                        stopClicks);
}

}  // namespace shelfwatch::gui::handlers

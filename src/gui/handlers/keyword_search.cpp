// Keyword search: the start/stop button and the Enter key of the keyword box.
#include "search/keyword_search.h"

#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/history_view.h"
#include "gui/main_window.h"
#include "history/history_store.h"
#include "search/detail_fetch.h"
#include "text/gbk_text.h"

#include <QGuiApplication>

namespace shelfwatch::gui::handlers {

void onKeywordSearchClicked(GuiContext& ctx) {
    // Read per search, so a changed setting takes effect without a restart.
    ctx.walk.detailWorkers = search::detailWorkersSetting(ctx.walk.dataDir);
    const bool starting = ctx.walk.panel.searchButtonCaption() == search::searchCaption();
    search::onSearchButtonClicked(ctx.walk);
    // The click started a walk (it did not stop one nor refuse to start): it is
    // recorded once its threads have ended.
    if (starting && ctx.walk.panel.searchButtonCaption() == search::stopCaption()) {
        HistoryRecorder::of(ctx.window, ctx.walk)
            .watchWalk(history::kKindKeyword, ctx.walk.panel.keyword(),
                       text::toInt(ctx.walk.panel.pageCountText()));
    }
}

void onKeywordReturnPressed(GuiContext& ctx) {
    // Only a plain Enter starts or stops the search.
    const Qt::KeyboardModifiers held = QGuiApplication::keyboardModifiers();
    if (held & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
    onKeywordSearchClicked(ctx);
}

}  // namespace shelfwatch::gui::handlers

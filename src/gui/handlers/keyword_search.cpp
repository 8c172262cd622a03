// Keyword search: the start/stop button and the Enter key of the keyword box.
#include "search/keyword_search.h"

#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "search/detail_fetch.h"

#include <QGuiApplication>

namespace shelfwatch::gui::handlers {

void onKeywordSearchClicked(GuiContext& ctx) {
    // Read per search, so a changed setting takes effect without a restart.
    ctx.walk.detailWorkers = search::detailWorkersSetting(ctx.walk.dataDir);
    search::onSearchButtonClicked(ctx.walk);
}

void onKeywordReturnPressed(GuiContext& ctx) {
    // Only a plain Enter starts or stops the search.
    const Qt::KeyboardModifiers held = QGuiApplication::keyboardModifiers();
    if (held & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
    onKeywordSearchClicked(ctx);
}

}  // namespace shelfwatch::gui::handlers

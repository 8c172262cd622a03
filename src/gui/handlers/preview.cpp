// The picture preview opened by a double-click on a table row: one preview
// window, created on first use and reused while it lives.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"

namespace shelfwatch::gui::handlers {

void onTableDoubleClicked(GuiContext& ctx, int row) {
    (void)row;  // the selected row counts, as for the menu entries
    const int selected = ctx.walk.table.selectedRow();
    if (selected < 0) return;
    auto* window = ctx.window.findChild<PreviewWindow*>(QStringLiteral("previewWindow"));
    if (!window) window = new PreviewWindow(ctx.walk.fetcher, &ctx.window);
    window->showItemPicture(ctx.walk.table.cell(selected, table::kUrl));
}

}  // namespace shelfwatch::gui::handlers

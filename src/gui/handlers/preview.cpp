// The picture preview opened by a double-click on a table row.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onTableDoubleClicked(GuiContext& ctx, int row) {
    (void)row;
    featureNotAvailable(ctx);
}

}  // namespace shelfwatch::gui::handlers

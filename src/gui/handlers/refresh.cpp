// Refreshing the rows whose details could not be fetched.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "search/refresh_failed.h"

namespace shelfwatch::gui::handlers {

void onRefreshFailedClicked(GuiContext& ctx) { search::refreshFailedItems(ctx.walk); }

}  // namespace shelfwatch::gui::handlers

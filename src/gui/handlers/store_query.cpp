// Store query: every item of one seller.
#include "search/store_query.h"

#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

// Runs on the window thread; the query lets the window events run per page and row.
void onStoreQueryClicked(GuiContext& ctx) { search::onStoreButtonClicked(ctx.walk); }

}  // namespace shelfwatch::gui::handlers

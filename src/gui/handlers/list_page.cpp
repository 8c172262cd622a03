// List-page query: a list page address pasted from the browser.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "search/list_page_query.h"

namespace shelfwatch::gui::handlers {

// Runs on the window thread; the query lets the window events run per page and row.
void onListPageClicked(GuiContext& ctx) { search::onListPageButtonClicked(ctx.walk); }

}  // namespace shelfwatch::gui::handlers

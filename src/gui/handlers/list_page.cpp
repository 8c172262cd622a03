// List-page query: a list page address pasted from the browser.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onListPageClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

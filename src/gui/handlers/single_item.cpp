// Single item query: one item page address typed by the user.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onSingleItemClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

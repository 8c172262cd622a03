// Keyword search: the start/stop button and the Enter key of the keyword box.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onKeywordSearchClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

void onKeywordReturnPressed(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

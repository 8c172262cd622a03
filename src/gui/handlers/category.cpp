// The category window, in keyword mode and in query mode.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onCategoryKeywordClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

void onCategoryQueryClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

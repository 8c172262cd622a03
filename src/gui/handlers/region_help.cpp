// Region help beside the region box.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "search/keyword_search.h"

namespace shelfwatch::gui::handlers {

void onRegionHelpClicked(GuiContext& ctx) { search::showRegionHelp(ctx.walk.panel); }

}  // namespace shelfwatch::gui::handlers

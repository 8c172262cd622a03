// Region help beside the region box.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onRegionHelpClicked(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

// The table menu's "打开网址" and "复制此行" on the selected row.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void onOpenRowUrl(GuiContext& ctx) { featureNotAvailable(ctx); }

void onCopyRow(GuiContext& ctx) { featureNotAvailable(ctx); }

}  // namespace shelfwatch::gui::handlers

// Shared helpers of the window handlers.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "text/gbk_text.h"

namespace shelfwatch::gui::handlers {

void featureNotAvailable(GuiContext& ctx) {
    static const std::string kNotAvailable = text::gbk("此功能尚未提供");
    ctx.walk.panel.setStatus(kNotAvailable);
}

}  // namespace shelfwatch::gui::handlers

// The publisher's notice page in the main window's small browser, loaded at
// start-up and reloaded every hour. Until the settings and notice pages are in
// this build the browser stays blank; every caller already goes through here.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"

namespace shelfwatch::gui::handlers {

void openNotice(GuiContext& ctx, const std::string& mode, const std::string& referrer,
                const std::string& version) {
    (void)ctx;
    (void)mode;
    (void)referrer;
    (void)version;
}

void onNoticeTimer(GuiContext& ctx) { openNotice(ctx, "Refresh", "", SHELFWATCH_VERSION); }

}  // namespace shelfwatch::gui::handlers

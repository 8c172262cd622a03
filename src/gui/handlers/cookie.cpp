// The "启动本地cookie" check box: the shared cookie text follows its ticked state.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "net/cookie_jar.h"

namespace shelfwatch::gui::handlers {

void onLocalCookieClicked(GuiContext& ctx, bool checked) {
    net::BrowserCookieSource source;
    source.rootDomain = ctx.walk.market.cookieDomain;
    source.cookieFile = ctx.walk.market.cookieFile;
    net::setLocalCookie(ctx.walk.cookies, checked, source);
}

}  // namespace shelfwatch::gui::handlers

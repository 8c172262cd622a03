// Single item query: one item page address typed by the user, analysed on the
// window thread, the report shown in the text window. Nothing goes into the table.
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "gui/text_window.h"
#include "item/item_analyzer.h"
#include "item/item_report.h"
#include "text/gbk_text.h"

#include <QPointer>
#include <QString>

namespace shelfwatch::gui::handlers {

void onSingleItemClicked(GuiContext& ctx) {
    static const std::string kWaiting = text::gbk("获取内容中，请稍候。。");
    const std::string itemHost = ctx.walk.market.itemHost;
    const QString prompt = QStringLiteral("请输入淘宝商品页的地址：\n例如：") +
                           fromGbk("http://" + itemHost + "/item.htm?id=123");
    const std::optional<QString> entered =
        dialogs::askText(&ctx.window, prompt, fromGbk("http://" + itemHost + "/item.htm?id="));
    if (!entered) return;

    QPointer<TextWindow> window = reopenTextWindow(&ctx.window);
    window->setContent(kWaiting);

    std::string url = toGbk(*entered);
    const item::ItemDetails details =
        item::analyzeItem(url, item::AnalyzerDeps{ctx.walk.fetcher, ctx.walk.market, ctx.walk.clock});

    // Window events ran during the fetches: a newer query, or the user, may have
    // closed this query's window meanwhile, and the newer one owns the display. A
    // closed window is only deleted later, so it may still be there, hidden.
    if (!window || !window->isVisible() || window != currentTextWindow()) return;
    if (!details.message.empty()) {
        dialogs::showMessage(&ctx.window, fromGbk(details.message));
        return;
    }
    window->append(item::itemReportText(url, details));
}

}  // namespace shelfwatch::gui::handlers

// The table menu's "打开网址" and "复制此行" on the selected row.
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace shelfwatch::gui::handlers {

bool isOpenableAddress(const std::string& address) {
    // Only web pages go to the browser: a row's address comes from a marketplace
    // page, and file:, javascript: or a program path must not be launched from it.
    std::string lower = address.substr(0, 8);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 || lower.rfind("//", 0) == 0;
}

std::string rowCopyText(const table::ResultTable& table, int row) {
    static const std::string kColon = text::gbk("：");
    std::string out;
    for (int c = 0; c < table.columnCount(); ++c)
        out += table.columnTitle(c) + kColon + table.cell(row, c) + "\r\n";
    return out;
}

void onOpenRowUrl(GuiContext& ctx) {
    const int row = ctx.walk.table.selectedRow();
    const std::string address = row < 0 ? std::string() : ctx.walk.table.cell(row, table::kUrl);
    if (address.empty()) {
        ctx.walk.panel.showMessage(text::gbk("网址为空。无法打开"));
        return;
    }
    if (!isOpenableAddress(address)) return;
    const std::string full = address.rfind("//", 0) == 0 ? "http:" + address : address;
    QDesktopServices::openUrl(QUrl(fromGbk(full), QUrl::TolerantMode));
}

void onCopyRow(GuiContext& ctx) {
    const table::ResultTable& table = ctx.walk.table;
    const int row = table.selectedRow();
    if (row < 0) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString copy = fromGbk(rowCopyText(table, row));
    if (clipboard) clipboard->setText(copy);
    const bool stored = clipboard && clipboard->text() == copy;
    ctx.walk.panel.showMessage(text::gbk(stored ? "复制成功。" : "复制失败，请重试。"));
}

}  // namespace shelfwatch::gui::handlers

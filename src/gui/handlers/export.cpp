// Export of the result table to an Excel workbook.
#include "gui/dialogs.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "report/excel_export.h"
#include "text/gbk_text.h"

#include <QFileInfo>
#include <QString>

namespace shelfwatch::gui::handlers {

void onExportClicked(GuiContext& ctx) {
    // The workbook is .xlsx, so that is the default extension; the old filter
    // stays offered and a name typed with any extension is used as given.
    QString file = dialogs::saveFileName(&ctx.window, QStringLiteral("导出"), QString(),
                                         QStringLiteral("excel文件(*.xlsx);;excel文件(*.xls)"));
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".xlsx");

    ctx.walk.panel.setStatus(text::gbk("正在导出数据，请稍后。"));
    ctx.walk.panel.processEvents();
    const std::filesystem::path path(file.toStdU16String());
    const report::ExportResult result =
        report::exportResultTable(ctx.walk.table, false, path, ctx.walk.clock, ctx.walk.panel);
    // A failure has shown its own message naming the path and the cause.
    if (result.ok) {
        dialogs::showMessage(&ctx.window, fromGbk(report::exportDoneMessage(path)));
    }
}

}  // namespace shelfwatch::gui::handlers

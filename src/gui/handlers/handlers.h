// The handlers behind the main window's controls, one file per feature under
// src/gui/handlers/, so each feature's window glue lives in one obvious place.
// The main window only connects its signals to these; the work itself is done by
// the core operations they call. All of them run on the window thread.
#pragma once

#include <string>

namespace shelfwatch::table {
class ResultTable;
}

namespace shelfwatch::gui {

struct GuiContext;

namespace handlers {

// keyword_search.cpp: "查关键字" (start, or stop while a search runs) and the
// Enter key in the keyword box.
void onKeywordSearchClicked(GuiContext& ctx);
void onKeywordReturnPressed(GuiContext& ctx);
// region_help.cpp: ".." beside the region box.
void onRegionHelpClicked(GuiContext& ctx);
// list_page.cpp: "按列表页查询".
void onListPageClicked(GuiContext& ctx);
// refresh.cpp: "刷新失败项目".
void onRefreshFailedClicked(GuiContext& ctx);
// store_query.cpp: "查询店铺".
void onStoreQueryClicked(GuiContext& ctx);
// single_item.cpp: "查询单个商品".
void onSingleItemClicked(GuiContext& ctx);
// category.cpp: "查分类关键字" and "查询分类".
void onCategoryKeywordClicked(GuiContext& ctx);
void onCategoryQueryClicked(GuiContext& ctx);
// task_editor.cpp: "任务模式设定".
void onTaskEditorClicked(GuiContext& ctx);
// export.cpp: "导 出".
void onExportClicked(GuiContext& ctx);
// analysis.cpp: "报表分析".
void onAnalysisClicked(GuiContext& ctx);
// cookie.cpp: "启动本地cookie", with its ticked state after the click.
void onLocalCookieClicked(GuiContext& ctx, bool checked);
// table_actions.cpp: "打开网址" and "复制此行" of the table's menu.
void onOpenRowUrl(GuiContext& ctx);
void onCopyRow(GuiContext& ctx);
// Whether "打开网址" hands `address` to the browser: http, https and "//" only.
bool isOpenableAddress(const std::string& address);
// The text "复制此行" puts on the clipboard (GBK): title "：" cell CR LF per column.
std::string rowCopyText(const table::ResultTable& table, int row);
// collect.cpp: "采集商品数据" of the table's menu.
void onCollectItem(GuiContext& ctx);
// preview.cpp: double-click on a table row.
void onTableDoubleClicked(GuiContext& ctx, int row);

// notice.cpp: the first-run check and the publisher's notice page in the main
// window's browser; the hourly timer reloads it.
void openNotice(GuiContext& ctx, const std::string& mode, const std::string& referrer,
                const std::string& version);
void onNoticeTimer(GuiContext& ctx);

// task_run.cpp: the unattended run of every saved task, started by the "task"
// argument with the window hidden. Returns the process exit code.
int runTaskMode(GuiContext& ctx);

// A feature whose window glue is not in this build yet: says so in the status
// label, so the click is visibly answered.
void featureNotAvailable(GuiContext& ctx);

}  // namespace handlers
}  // namespace shelfwatch::gui

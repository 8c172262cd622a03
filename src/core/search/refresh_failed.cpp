#include "search/refresh_failed.h"

#include "search/detail_fetch.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

namespace {

void setRefreshControls(panel::MainPanel& panel, bool enabled) {
    panel.setEnabled(panel::Control::PageCountEdit, enabled);
    panel.setEnabled(panel::Control::SearchButton, enabled);
    panel.setEnabled(panel::Control::ExportButton, enabled);
    panel.setEnabled(panel::Control::StoreButton, enabled);
}

}  // namespace

int refreshFailedItems(search::WalkContext& context) {
    static const std::string kRefreshing = text::gbk("正在刷新失败的项目。");
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;

    panel.setStatus(kRefreshing);
    setRefreshControls(panel, false);
    panel.processEvents();

    const std::uint64_t generation = table.generation();
    int analyses = 0;
    for (const int column : {table::kUrl, table::kSeller, table::kStartTime}) {
        int from = 0;
        int attempts = 0;
        for (;;) {
            if (table.generation() != generation) break;
            const int row = table.findRow(from, column, "");
            if (row < 0) break;
            if (row != from) attempts = 0;
            from = row;
            const item::ItemDetails details = analyzeRow(context, row);
            ++analyses;
            ++attempts;
            writeDetailCells(table, generation, row, details, kRefreshColumns);
            if (!table.cell(row, column).empty() || attempts >= kRefreshAttempts) {
                from = row + 1;
                attempts = 0;
            }
        }
    }

    panel.setStatus("");
    setRefreshControls(panel, true);
    return analyses;
}

}  // namespace shelfwatch::search

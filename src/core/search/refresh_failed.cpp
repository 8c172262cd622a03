#include "search/refresh_failed.h"

#include "search/detail_fetch.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

int refreshFailedItems(search::WalkContext& context) {
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;

    panel.setStatus(refreshingText());
    setControls(panel, kDetailWalkControls, false);
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
    setControls(panel, kDetailWalkControls, true);
    return analyses;
}

}  // namespace shelfwatch::search

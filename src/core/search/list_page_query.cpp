#include "search/list_page_query.h"

#include "search/detail_fetch.h"
#include "search/keyword_search.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

const std::string& listPagePrompt() {
    static const std::string kText = text::gbk(
        "请输入淘宝商品列表页的地址，需要为列表页形式：\r\n"
        "可以从淘宝首页输入关键词点击搜索后，将网址粘贴到此处\r\n"
        "本功能用于自定参数的抓取.请不要保留分页参数s");
    return kText;
}

void onListPageButtonClicked(search::WalkContext& context) {
    const std::optional<std::string> address = context.panel.askText(listPagePrompt(), "");
    if (!address) return;
    runListPageQuery(context, *address);
}

void runListPageQuery(search::WalkContext& context, const std::string& address) {
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;
    FetchState& state = context.fetchState;

    table.clear();
    state.clearLosses();
    const std::uint64_t generation = table.generation();
    state.stopRequested = 0;

    // Requested like the other walks do, though the list addresses do not carry it.
    (void)fetchSpm(context.fetcher, context.market);

    const int pages = text::toInt(panel.pageCountText());
    for (std::int64_t p = 1; p <= pages; ++p) {
        panel.setStatus(listPageStatus(static_cast<int>(p)));
        panel.processEvents();
        if (table.generation() != generation) return;
        // A stop ends the page walk too; the item loop below then reports it
        // before its first request, keeping the rows listed so far.
        if (state.stopRequested == 1) break;
        const std::string page =
            context.fetcher.fetchPage(address + "&s=" + std::to_string(pageOffset(p)), "");
        state.noteListPage(net::lastFetchFailure());
        appendPageItems(table, generation, page, nullptr);
    }

    const int n = table.rowCount();
    for (int k = 1; k <= n; ++k) {
        panel.setStatus(fetchingInfoText());
        panel.setProgress(progressText(k, n));
        panel.processEvents();
        // A query started from the events just run has taken the table over.
        if (table.generation() != generation) return;
        if (!table.cell(k - 1, table::kSeller).empty()) continue;
        if (state.stopRequested == 1) {
            panel.setStatus(stoppedText());
            return;
        }
        const item::ItemDetails details = analyzeRow(context, k - 1);
        noteItemOutcome(state, details);
        writeDetailCells(table, generation, k - 1, details, kAllDetailColumns);
    }
    if (const std::string lost = lossText(state); !lost.empty())
        panel.setProgress(progressText(n, n) + "  " + lost);
}

}  // namespace shelfwatch::search

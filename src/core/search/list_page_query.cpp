#include "search/list_page_query.h"

#include "search/detail_fetch.h"
#include "search/keyword_search.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

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

    DetailPass pass;
    pass.pumpEvents = true;
    pass.stoppable = true;
    int k = 0;
    const int n = table.rowCount();
    const PassEnd end = visitRows(context, generation, pass, [&k] { return ++k; }, n);
    if (end == PassEnd::Stopped) panel.setStatus(stoppedText());
    if (end != PassEnd::Done) return;
    if (const std::string lost = lossText(state); !lost.empty())
        panel.setProgress(progressText(n, n) + "  " + lost);
}

}  // namespace shelfwatch::search

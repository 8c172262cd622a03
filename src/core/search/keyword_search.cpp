#include "search/keyword_search.h"

#include "search/detail_fetch.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

namespace {

void runWalk(search::WalkContext& context, bool detailInSameThread, unsigned stopClicksAtStart) {
    FetchState& state = context.fetchState;
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;

    // A stopped walk may still be finishing its last request; it must be gone
    // before this one takes the table and the counters.
    state.threads.waitForEarlierWalks();

    table.clear();
    state.clearLosses();
    const std::uint64_t generation = table.generation();
    if (state.stopClicks == stopClicksAtStart) state.stopRequested = 0;
    setControls(panel, kKeywordWalkControls, false);
    // A stop clicked before this thread got here has already given the controls
    // back; disabling them after it would leave a stopped search looking busy.
    // The click counts before it enables, so checking after disabling is enough.
    if (state.stopClicks != stopClicksAtStart) enableSearchControls(panel);

    const std::string spm = fetchSpm(context.fetcher, context.market);
    const int pages = text::toInt(panel.pageCountText());
    // Column 2 of the rows this walk appended: only this walk writes the table
    // while its generation lasts, and addresses are never rewritten.
    std::unordered_set<std::string> known;
    for (std::int64_t p = 1; p <= pages; ++p) {
        // Unlike the classic walk, a stop also ends the page walk: the detail
        // fetch that follows then stops before its first request.
        if (state.stopRequested == 1) break;
        if (table.generation() != generation) {
            // A newer query cleared the table: it owns it and the labels now.
            panel.setSearchButtonCaption(searchCaption());
            enableSearchControls(panel);
            return;
        }
        panel.setStatus(listPageStatus(static_cast<int>(p)));
        SearchPageQuery query;
        query.spm = spm;
        query.initiativeId = initiativeId(context.clock);
        query.sortKey = searchSortKey(panel.sortIndex(), panel.directionIndex());
        query.keyword = panel.keyword();
        query.region = panel.region();
        query.offset = pageOffset(p);
        const std::string page =
            context.fetcher.fetchPage(searchPageAddress(context.market.searchHost, query), "");
        state.noteListPage(net::lastFetchFailure());
        if (isDetailSrpPage(page)) {
            panel.setStatus(stoppedText());
            enableSearchControls(panel);
            panel.setSearchButtonCaption(searchCaption());
            panel.showMessage(detailSrpRefusal());
            return;
        }
        appendPageItems(table, generation, page, &known);
    }
    startDetailWorkers(context, generation, detailInSameThread);
}

}  // namespace

int appendPageItems(table::ResultTable& table, std::uint64_t generation, std::string_view page,
                    std::unordered_set<std::string>* known) {
    int appended = 0;
    for (const std::string& link : itemLinks(page)) {
        // The test compares the link as matched, before the cut: two links that
        // differ only after a double quote both get a row.
        if (known != nullptr && known->count(link) > 0) continue;
        table::ItemRecord record;
        record.url = cutAtQuote(link);
        // Numbered and appended in one step: a clear() between a check and the
        // append would let this walk's row land in the newer query's table.
        if (table.appendNumberedIf(generation, record) < 0) break;
        if (known != nullptr) known->insert(std::move(record.url));
        ++appended;
    }
    return appended;
}

void runKeywordSearch(search::WalkContext& context, bool detailInSameThread) {
    runWalk(context, detailInSameThread, context.fetchState.stopClicks);
}

void onSearchButtonClicked(search::WalkContext& context) {
    panel::MainPanel& panel = context.panel;
    if (panel.keyword().empty()) {
        panel.showMessage(noKeywordText());
        return;
    }
    const std::string pageCount = panel.pageCountText();
    if (pageCount.empty() || pageCount == "0") panel.setPageCountText("1");

    const std::string caption = panel.searchButtonCaption();
    if (caption == stopCaption()) {
        ++context.fetchState.stopClicks;
        context.fetchState.stopRequested = 1;
        enableSearchControls(panel);
        panel.setSearchButtonCaption(searchCaption());
        return;
    }
    if (caption == searchCaption()) {
        if (text::toInt(panel.pageCountText()) == 0) panel.setPageCountText("1");
        panel.setSearchButtonCaption(stopCaption());
        const unsigned stopClicks = context.fetchState.stopClicks;
        context.fetchState.threads.start(
            [context, stopClicks]() mutable { runWalk(context, false, stopClicks); }, true);
    }
}

void showRegionHelp(panel::MainPanel& panel) {
    panel.showMessage(regionHelpText());
}

}  // namespace shelfwatch::search

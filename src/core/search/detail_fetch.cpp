#include "search/detail_fetch.h"

#include "config/ini_file.h"
#include "item/listing_time.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace shelfwatch::search {

namespace {

bool dateCellText(item::DateTime value, std::string& out) {
    if (item::toCivil(value).year <= 2000) return false;
    out = item::dateTimeText(value);
    return true;
}

// The last worker of a fetch restores the search controls; `withStatus` is false
// when a newer query owns the table and with it the labels.
void completeWorker(search::WalkContext& context, bool withStatus) {
    if (context.fetchState.activeWorkers.fetch_sub(1) - 1 > 0) return;
    context.panel.setSearchButtonCaption(searchCaption());
    if (withStatus) {
        context.panel.setStatus(doneText());
        // The status stays the plain end text; what was lost goes beside the count.
        const std::string lost = lossText(context.fetchState);
        const int total = context.fetchState.rowTotal;
        if (!lost.empty()) context.panel.setProgress(progressText(total, total) + "  " + lost);
    }
    enableSearchControls(context.panel);
}

}  // namespace

void enableSearchControls(panel::MainPanel& panel) { setControls(panel, kKeywordWalkControls, true); }

bool detailCellText(const item::ItemDetails& details, int column, std::string& out) {
    static const std::string kTrue = text::gbk("真");
    static const std::string kFalse = text::gbk("假");
    switch (column) {
        case table::kTitle:
            out = details.title;
            return true;
        case table::kSeller:
            out = details.seller;
            return true;
        case table::kStartTime:
            return dateCellText(details.startTime, out);
        case table::kEndTime:
            return dateCellText(details.endTime, out);
        case table::kMinutesLeft:
            out = std::to_string(details.minutesLeft);
            return true;
        case table::kSales:
            out = details.sales;
            return true;
        case table::kStock:
            out = details.stock;
            return true;
        case table::kIsMall:
            out = details.isMall != 0 ? kTrue : kFalse;
            return true;
        case table::kPrice:
            out = details.price;
            return true;
        case table::kLocation:
            out = details.location;
            return true;
        default:
            return false;
    }
}

void writeDetailCells(table::ResultTable& table, std::uint64_t generation, int row,
                      const item::ItemDetails& details, std::initializer_list<int> columns) {
    std::string cellText;
    for (int column : columns) {
        if (!detailCellText(details, column, cellText)) continue;
        if (!table.setCellIf(generation, row, column, std::move(cellText))) return;
    }
}

item::ItemDetails analyzeRow(search::WalkContext& context, int row) {
    std::string url = context.table.cell(row, table::kUrl);
    const item::AnalyzerDeps deps{context.fetcher, context.market, context.clock};
    return item::analyzeItem(url, deps);
}

void noteItemOutcome(FetchState& state, const item::ItemDetails& details) {
    // A removed item or a guide page came as a page; only a page that never came is lost.
    if (details.pageFailure.failed() && details.message.empty()) state.noteLostItem(details.pageFailure);
}

PassEnd visitRows(search::WalkContext& context, std::uint64_t generation, const DetailPass& pass,
                  const std::function<int()>& nextRow, int total) {
    table::ResultTable& table = context.table;
    panel::MainPanel& panel = context.panel;
    const int doneColumn = pass.doneWhen == DetailPass::Done::SellerSet ? table::kSeller : table::kStartTime;
    for (;;) {
        if (table.generation() != generation) return PassEnd::Superseded;
        const int i = nextRow();
        if (i > total) return PassEnd::Done;
        if (pass.progressFirst) {
            panel.setProgress(progressText(i, total));
            panel.setStatus(fetchingInfoText());
        } else {
            panel.setStatus(fetchingInfoText());
            panel.setProgress(progressText(i, total));
        }
        if (pass.pumpEvents) {
            panel.processEvents();
            // A query started from the events just run has taken the table over.
            if (table.generation() != generation) return PassEnd::Superseded;
        }
        const int r = i - 1;
        if (!table.cell(r, doneColumn).empty()) continue;
        if (pass.stoppable && context.fetchState.stopRequested == 1) return PassEnd::Stopped;
        const item::ItemDetails details = analyzeRow(context, r);
        noteItemOutcome(context.fetchState, details);
        writeDetailCells(table, generation, r, details, pass.columns);
    }
}

void fetchAllDetails(search::WalkContext& context, std::uint64_t generation) {
    search::FetchState& state = context.fetchState;
    const int total = context.table.rowCount();
    state.rowTotal = total;
    DetailPass pass;
    pass.stoppable = true;
    switch (visitRows(context, generation, pass, [&state] { return state.nextRow.fetch_add(1); }, total)) {
        case PassEnd::Superseded:
            completeWorker(context, false);
            return;
        case PassEnd::Stopped:
            // A stopped worker leaves activeWorkers as it is: the stop click has
            // already given the button back.
            context.panel.setStatus(stoppedText());
            enableSearchControls(context.panel);
            return;
        case PassEnd::Done:
            completeWorker(context, context.table.generation() == generation);
            return;
    }
}

void fetchAllDetails(search::WalkContext& context) { fetchAllDetails(context, context.table.generation()); }

void fillRemainingDetails(search::WalkContext& context) {
    const std::uint64_t generation = context.table.generation();
    DetailPass pass;
    pass.doneWhen = DetailPass::Done::StartSet;
    pass.columns = kRemainingDetailColumns;
    pass.progressFirst = true;
    pass.pumpEvents = true;
    int k = 0;
    const PassEnd end = visitRows(context, generation, pass, [&k] { return ++k; }, context.table.rowCount());
    if (end != PassEnd::Done) return;
    context.panel.setStatus(doneText());
    setControls(context.panel, kDetailWalkControls, true);
}

void startDetailWorkers(search::WalkContext& context, std::uint64_t generation, bool inThisThread) {
    const int workers = clampDetailWorkers(context.detailWorkers);
    context.fetchState.nextRow = 1;
    context.fetchState.activeWorkers = workers;
    // The workers copy the context: it is a bundle of references to objects that
    // outlive the walk threads, while the bundle itself may not.
    const int onThreads = inThisThread ? workers - 1 : workers;
    if (!inThisThread) {
        for (int w = 0; w < onThreads; ++w) {
            context.fetchState.threads.start(
                [context, generation]() mutable { fetchAllDetails(context, generation); }, false);
        }
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(onThreads));
    for (int w = 0; w < onThreads; ++w) {
        helpers.emplace_back([context, generation]() mutable { fetchAllDetails(context, generation); });
    }
    fetchAllDetails(context, generation);
    for (std::thread& helper : helpers) helper.join();
}

int clampDetailWorkers(int workers) { return std::clamp(workers, 1, kMaxDetailWorkers); }

int detailWorkersSetting(const std::filesystem::path& dataDir) {
    const std::string value = config::iniRead(dataDir / "configs.ini", "search", "detailWorkers", "1");
    return clampDetailWorkers(text::toInt(value));
}

}  // namespace shelfwatch::search

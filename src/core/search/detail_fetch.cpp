#include "search/detail_fetch.h"

#include "config/ini_file.h"
#include "item/listing_time.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace shelfwatch::search {

namespace {

const std::string& searchCaption() {
    static const std::string kText = text::gbk("查关键字");
    return kText;
}

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

const std::string& fetchingInfoText() {
    static const std::string kText = text::gbk("正在获取信息，请稍后。。");
    return kText;
}

const std::string& stoppedText() {
    static const std::string kText = text::gbk("线程已停止操作。");
    return kText;
}

const std::string& doneText() {
    static const std::string kText = text::gbk("完成操作。");
    return kText;
}

std::string progressText(int row, int total) {
    static const std::string kPrefix = text::gbk("进度： ");
    return kPrefix + std::to_string(row) + " / " + std::to_string(total);
}

void enableSearchControls(panel::MainPanel& panel) {
    panel.setEnabled(panel::Control::KeywordEdit, true);
    panel.setEnabled(panel::Control::PageCountEdit, true);
    panel.setEnabled(panel::Control::ExportButton, true);
    panel.setEnabled(panel::Control::StoreButton, true);
}

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

void fetchAllDetails(search::WalkContext& context, std::uint64_t generation) {
    search::FetchState& state = context.fetchState;
    table::ResultTable& table = context.table;
    const int total = table.rowCount();
    state.rowTotal = total;
    for (;;) {
        if (table.generation() != generation) {
            completeWorker(context, false);
            return;
        }
        const int i = state.nextRow.fetch_add(1);
        if (i > total) break;
        context.panel.setStatus(fetchingInfoText());
        context.panel.setProgress(progressText(i, total));
        const int r = i - 1;
        if (!table.cell(r, table::kSeller).empty()) continue;
        if (state.stopRequested == 1) {
            // A stopped worker leaves activeWorkers as it is: the stop click has
            // already given the button back.
            context.panel.setStatus(stoppedText());
            enableSearchControls(context.panel);
            return;
        }
        const item::ItemDetails details = analyzeRow(context, r);
        noteItemOutcome(state, details);
        writeDetailCells(table, generation, r, details, kAllDetailColumns);
    }
    completeWorker(context, table.generation() == generation);
}

void fetchAllDetails(search::WalkContext& context) { fetchAllDetails(context, context.table.generation()); }

void fillRemainingDetails(search::WalkContext& context) {
    table::ResultTable& table = context.table;
    const std::uint64_t generation = table.generation();
    const int n = table.rowCount();
    for (int k = 1; k <= n; ++k) {
        context.panel.setProgress(progressText(k, n));
        context.panel.setStatus(fetchingInfoText());
        context.panel.processEvents();
        if (table.generation() != generation) return;
        if (!table.cell(k - 1, table::kStartTime).empty()) continue;
        const item::ItemDetails details = analyzeRow(context, k - 1);
        writeDetailCells(table, generation, k - 1, details, kRemainingDetailColumns);
    }
    context.panel.setStatus(doneText());
    context.panel.setEnabled(panel::Control::PageCountEdit, true);
    context.panel.setEnabled(panel::Control::SearchButton, true);
    context.panel.setEnabled(panel::Control::ExportButton, true);
    context.panel.setEnabled(panel::Control::StoreButton, true);
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

// The batch detail fetch: visiting the rows of the result table, analysing every
// item page not done yet and writing the record into the row's cells, with the
// progress and end texts on the main window. Two operations over the counters of
// FetchState: fetchAllDetails (address-only rows; any number of workers share the
// counters; stoppable) and fillRemainingDetails (rows that already carry the list
// service's title, seller and sales). Every write carries the table generation of
// the query that owns the rows, so a late write never reaches a newer query.
#pragma once

#include "item/item_analyzer.h"
#include "search/walk_context.h"
#include "search/walk_controls.h"
#include "search/walk_texts.h"
#include "table/result_table.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>

namespace shelfwatch::search {

// The cell columns each form writes, in the order it writes them.
inline constexpr std::initializer_list<int> kAllDetailColumns = {
    table::kTitle,   table::kSeller, table::kStartTime, table::kEndTime, table::kMinutesLeft,
    table::kSales,   table::kStock,  table::kIsMall,    table::kPrice,   table::kLocation};
// The list service has already written title, seller and sales.
inline constexpr std::initializer_list<int> kRemainingDetailColumns = {
    table::kStartTime, table::kEndTime, table::kMinutesLeft, table::kStock,
    table::kIsMall,    table::kPrice,   table::kLocation};
inline constexpr std::initializer_list<int> kRefreshColumns = {
    table::kStartTime, table::kEndTime, table::kMinutesLeft, table::kSeller, table::kStock, table::kIsMall};

inline constexpr int kMaxDetailWorkers = 16;

// The text of `column` for the record; false when the cell must be left as it is
// (a date-time whose year is 2000 or earlier, or a column the record has no value for).
bool detailCellText(const item::ItemDetails& details, int column, std::string& out);

// Writes `columns` of `row` from the record, each only while `generation` is current.
void writeDetailCells(table::ResultTable& table, std::uint64_t generation, int row,
                      const item::ItemDetails& details, std::initializer_list<int> columns);

// Counts the item as lost in `state` when its page could not be fetched.
void noteItemOutcome(FetchState& state, const item::ItemDetails& details);

// One analysis of the address in column 2 of `row`.
item::ItemDetails analyzeRow(search::WalkContext& context, int row);

// One worker of the fetch. The walk sets nextRow and activeWorkers first. Ends at
// once and silently (as far as the labels go) when the table is cleared under it.
void fetchAllDetails(search::WalkContext& context, std::uint64_t generation);
void fetchAllDetails(search::WalkContext& context);

void fillRemainingDetails(search::WalkContext& context);

// The one pass over the rows that the three forms of the detail fetch share: it
// takes row numbers (1-based) from `nextRow` until one passes `total`, shows the
// labels, passes over the rows already done, and analyses and writes the others.
struct DetailPass {
    enum class Done { SellerSet, StartSet };  // which cell marks a row as done
    Done doneWhen = Done::SellerSet;
    std::initializer_list<int> columns = kAllDetailColumns;
    bool progressFirst = false;  // progress label before the status label
    bool pumpEvents = false;     // let window events run once per row
    bool stoppable = false;      // end at the stop flag, before the next analysis
};
enum class PassEnd {
    Done,        // every row visited
    Stopped,     // the stop flag was set
    Superseded,  // a newer query cleared the table: it owns the table and the labels
};
PassEnd visitRows(search::WalkContext& context, std::uint64_t generation, const DetailPass& pass,
                  const std::function<int()>& nextRow, int total);

// Sets the counters for `workers` workers, starts them on walk threads (or runs
// one in this thread and waits for the rest when `inThisThread`).
void startDetailWorkers(search::WalkContext& context, std::uint64_t generation, bool inThisThread);

// configs.ini, section `search`, key `detailWorkers`: 1..16, default 1.
int detailWorkersSetting(const std::filesystem::path& dataDir);
int clampDetailWorkers(int workers);

// Re-enables the keyword box, page-count box, "导 出" and "查询店铺".
void enableSearchControls(panel::MainPanel& panel);

}  // namespace shelfwatch::search

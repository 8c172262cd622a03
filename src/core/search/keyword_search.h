// The keyword search: the start/stop click of "查关键字" (also Enter in the keyword
// box), the page walk over the marketplace's search pages that fills the result
// table with one row per new item address, and the hand-over to the batch detail
// fetch. The region help of the ".." button lives here too. The walk reads its
// inputs through MainPanel and writes only the ResultTable, from any thread.
#pragma once

#include "search/walk_context.h"
#include "search/walk_texts.h"
#include "table/result_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace shelfwatch::search {

// The click: starts a walk on a walk thread, or stops the running one.
void onSearchButtonClicked(search::WalkContext& context);

// The walk. `detailInSameThread`: run the detail fetch here and return when it is
// done; otherwise start the detail workers on walk threads and return.
void runKeywordSearch(search::WalkContext& context, bool detailInSameThread);

// Appends a row (sequence number and address) for every item link of the page.
// With `known` a link already held in column 2 is passed over: `known` holds the
// column's addresses (the walk that cleared the table keeps it, so the test costs
// no table scan); null appends every link. Rows land only while `generation` is
// current. Returns the number of rows appended.
int appendPageItems(table::ResultTable& table, std::uint64_t generation, std::string_view page,
                    std::unordered_set<std::string>* known);

// The ".." button next to the region box.
void showRegionHelp(panel::MainPanel& panel);


}  // namespace shelfwatch::search

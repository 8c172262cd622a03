// The analysis report: the HTML table and the chart series text that the report
// page (res/b.html) shows through its functions asd and nr1, built from a slot
// grid; the whole run from listings to report that the analysis window and the
// command line share; and the helpers that hand a report to a page (the script
// calls, a self-contained page with the data embedded). Runs on the caller's
// thread; nothing is shared between calls.
#pragma once

#include "item/listing_time.h"
#include "report/listing_stats.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::table {
class ResultTable;
}

namespace shelfwatch::report {

struct Report {
    std::string tableHtml;   // GBK, for nr1
    std::string seriesText;  // GBK, for asd
    // GBK JSON array of the hours to mark on the heatmap, for the page's
    // function best; empty when none were ranked.
    std::string bestText;
};

Report buildReport(const SlotGrid& grid);

// A statistics run: the grid and its report, or why there is none.
struct Analysis {
    bool ok = false;
    std::string message;  // GBK, for the user when !ok
    SlotGrid grid;
    Report report;
};

// Fills a fresh statistics database through `load` (false with a GBK message
// when the listings cannot be read), counts the grid at clock.now() and builds
// the report. `load` is not called when the database cannot be created.
using ListingLoader = std::function<bool(ListingStats& stats, std::string& message)>;
Analysis analyse(const ListingLoader& load, const item::Clock& clock);
// The listings of the result table.
Analysis analyseTable(const table::ResultTable& table, const item::Clock& clock);

// "内存数据库创建失败，无法获取统计" (GBK).
const std::string& noDatabaseMessage();

// The two script calls that show a report on the loaded page, each harmless
// when the page lacks its function.
std::vector<std::string> reportScripts(const Report& report);

// Writes the self-contained report page built from the page and chart library
// under `resDir` (res/b.html, res/vendor/echarts.min.js; a missing library
// leaves the charts out) to `out`. False with `error` (UTF-8) naming the file.
bool writeReportPage(const std::filesystem::path& resDir, const std::filesystem::path& out,
                     const Report& report, std::string& error);

// "2014-7-25": year, month and day without leading zeros.
std::string yearMonthDay(item::DateTime day);

// A UTF-8 double-quoted script string literal holding the GBK text, safe inside
// a script call and inside an inline <script> element (quotes, backslashes, line
// breaks, U+2028/U+2029, "<" and ">" escaped).
std::string jsStringLiteral(std::string_view gbkText);

// A copy of the page `pageHtml` (UTF-8) that opens in any browser without its
// neighbours: the <script src="vendor/..."> elements replaced by the given
// library code inline (empty code drops the element), and a script appended
// that calls asd and nr1 with the report once the page has loaded.
std::string selfContainedPage(std::string_view pageHtml, std::string_view chartLibrary, const Report& report);

}  // namespace shelfwatch::report

// The analysis report: the HTML table and the chart series text that the report
// page (res/b.html) shows through its functions asd and nr1, built from a slot
// grid, and the helpers that hand them to a page (a script string literal, a
// self-contained page with the data embedded). Pure functions.
#pragma once

#include "report/listing_stats.h"

#include <string>
#include <string_view>

namespace shelfwatch::report {

struct Report {
    std::string tableHtml;   // GBK, for nr1
    std::string seriesText;  // GBK, for asd
};

Report buildReport(const SlotGrid& grid);

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

// A result page through the list-page extraction: the result block, the item
// anchors, the cut addresses and the rows they become.
#include "search/keyword_search.h"
#include "search/search_query.h"
#include "table/result_table.h"

#include "fuzz_support.h"

#include <string>
#include <unordered_set>

namespace search = shelfwatch::search;
namespace table = shelfwatch::table;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = fuzz::bytes(data, size);
    (void)search::isDetailSrpPage(page);
    const std::string block = search::resultBlock(page);
    fuzz::check(page.find(block) != std::string_view::npos);
    const std::vector<std::string> links = search::itemLinks(page);
    for (const std::string& link : links) {
        fuzz::check(!link.empty() && block.find(link) != std::string::npos);
        const std::string cut = search::cutAtQuote(link);
        fuzz::check(cut.find('"') == std::string::npos && link.compare(0, cut.size(), cut) == 0);
    }

    table::ResultTable rows;
    std::unordered_set<std::string> known;
    const int added = search::appendPageItems(rows, rows.generation(), page, &known);
    fuzz::check(added >= 0 && static_cast<std::size_t>(added) <= links.size());
    fuzz::check(rows.rowCount() == added);
    // The same page again adds only links with text after a quote: the walk
    // compares links uncut but keeps them cut.
    std::size_t quoted = 0;
    for (const std::string& link : links) quoted += link.find('"') != std::string::npos;
    const int again = search::appendPageItems(rows, rows.generation(), page, &known);
    fuzz::check(again >= 0 && static_cast<std::size_t>(again) <= quoted);
    return 0;
}

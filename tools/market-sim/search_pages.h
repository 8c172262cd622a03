// Search result pages and pasted list pages, as the marketplace serves them: the
// result block between `<div class="tb-content` and `<!--分页-->`, 44 listings per
// page drawn from the catalogue (keyword, region, sort order and offset taken from
// the query), with the awkward anchors real pages carry: traceNum 2 and 3, an
// advert whose broken anchor makes a lazy match run across a picture box, an
// address followed by further attributes after its closing quote, and the last
// listing of the previous page repeated at the top of the next. Some keywords
// answer in special ways (below). Pure builders plus installSearchRoutes.
#pragma once

#include "catalogue.h"

#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::sim {

class MarketSim;

inline constexpr int kSearchPageSize = 44;

// Keywords (ASCII, as typed) with a special answer.
// Pages after the first answer in the "detailsrp" layout; the first lists the
// first 44 listed items.
inline constexpr const char* kDetailSrpKeyword = "detailsrp";
// Page 1 lists its first item twice with different text after the address's
// closing quote.
inline constexpr const char* kQuoteTwinsKeyword = "quotetwins";

// Paths: the search page, and the prefix of the pasted list pages (any path below
// it lists like the search does; the list takes q=, loc=, sort= and s= the same way).
inline constexpr const char* kSearchPath = "/search";
inline constexpr const char* kListPagePrefix = "/list/";

struct SearchPageRequest {
    std::string keyword;  // GBK, decoded
    std::string region;   // GBK, decoded; names separated by ASCII commas
    std::string sort;     // the sort= value
    int offset = 0;       // s=, items skipped
};

// Listed items that match keyword and region, in the order the sort key asks for
// (ties by id). Region: the item's location contains any of the names.
std::vector<const CatalogueItem*> searchResults(const Catalogue& catalogue, const SearchPageRequest& request);

// The whole page (GBK). `itemHost` is where item addresses point.
std::string buildSearchPage(const Catalogue& catalogue, const SearchPageRequest& request,
                            const std::string& itemHost);
// The page the marketplace shows in its "detailsrp" layout (no result block).
std::string buildDetailSrpPage(const std::string& keyword);

// Reads q=, loc=, sort= and s= from a raw query string.
SearchPageRequest parseSearchQuery(std::string_view query);

// Serves /search and the list pages under /list/ from the catalogue of the
// simulator's seed.
void installSearchRoutes(MarketSim& sim);

}  // namespace shelfwatch::sim

// The pieces of a marketplace result-list walk that are pure text work: the query
// value encoding, the sort key, the initiative id, the search page address in its
// two forms, the spm value of the home page, and cutting the item addresses out of
// one result page. Pure and thread-safe (fetchSpm only uses the given fetcher).
#pragma once

#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/page_fetcher.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::search {

inline constexpr int kItemsPerPage = 44;

// The s= value of result page `page` (1-based). In 64 bits: every page number the
// user can type has an offset, where int would overflow above page 48 806 447.
constexpr std::int64_t pageOffset(std::int64_t page) { return (page - 1) * kItemsPerPage; }

// Byte-wise: * , - . / digits @ A-Z _ a-z stay, every other byte becomes "%HH".
std::string percentEncode(std::string_view bytes);

// The sort= value for the sort-field and direction selections (-1: none).
std::string searchSortKey(int sortIndex, int directionIndex);

// "staobaoz_" + the China date of `clock` as YYYYMMDD.
std::string initiativeId(const item::Clock& clock);

// The spm value of the marketplace home page (one request, no referrer).
std::string fetchSpm(net::Fetcher& fetcher, const config::MarketConfig& market);

struct SearchPageQuery {
    std::string spm;
    std::string initiativeId;
    std::string sortKey;
    std::string keyword;  // GBK, not yet encoded
    std::string region;   // GBK, not yet encoded; empty: the form without region
    std::int64_t offset = 0;
};
// "http://" + search host + "/search?spm=..." in the form with or without region.
std::string searchPageAddress(const std::string& searchHost, const SearchPageQuery& query);

// The page shows the layout the walk cannot read ("currentPage":"detailsrp").
bool isDetailSrpPage(std::string_view page);

// The text from the first `<div class="tb-content` up to the next `<!--分页-->`;
// empty when either marker is missing.
std::string resultBlock(std::string_view page);

// The link target of every item anchor in the page's result block, left to right,
// without the anchors whose lazy match ran across a neighbouring picture box.
// Returned uncut: the walk compares them whole and cuts them itself.
std::vector<std::string> itemLinks(std::string_view page);

// The address as a row keeps it: cut before its first double quote.
std::string cutAtQuote(std::string_view link);

}  // namespace shelfwatch::search

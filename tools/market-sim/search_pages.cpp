#include "search_pages.h"

#include "text/gbk_text.h"

#include "item_pages.h"
#include "market_sim.h"

#include <algorithm>
#include <functional>

namespace shelfwatch::sim {

namespace {

std::vector<std::string> splitNames(const std::string& region) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= region.size()) {
        std::size_t comma = region.find(',', start);
        if (comma == std::string::npos) comma = region.size();
        std::string name = text::trim(std::string_view(region).substr(start, comma - start));
        if (!name.empty()) names.push_back(std::move(name));
        start = comma + 1;
    }
    return names;
}

bool inRegion(const CatalogueItem& item, const std::vector<std::string>& names) {
    if (names.empty()) return true;
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return text::find(item.locationWritten, name) > 0 || text::find(item.location, name) > 0;
    });
}

// A sort key maps to a value to order by and whether larger values come first.
using SortValue = std::function<double(const CatalogueItem&)>;

bool sortOrder(const std::string& sort, SortValue& value, bool& descending) {
    struct Key {
        const char* name;
        SortValue value;
        bool descending;
    };
    static const Key kKeys[] = {
        {"renqi-desc", [](const CatalogueItem& i) { return i.sales + 50.0 * i.sellerCredit; }, true},
        {"renqi-asc", [](const CatalogueItem& i) { return i.sales + 50.0 * i.sellerCredit; }, false},
        {"sale-desc", [](const CatalogueItem& i) { return double(i.sales); }, true},
        {"sale-asc", [](const CatalogueItem& i) { return double(i.sales); }, false},
        {"credit-desc", [](const CatalogueItem& i) { return double(i.sellerCredit); }, true},
        {"credit-asc", [](const CatalogueItem& i) { return double(i.sellerCredit); }, false},
        {"old_starts", [](const CatalogueItem& i) { return double(i.startsMs); }, false},
        {"old_ends", [](const CatalogueItem& i) { return double(i.endsMs); }, false},
        {"price-desc", [](const CatalogueItem& i) { return i.priceValue; }, true},
        {"price-asc", [](const CatalogueItem& i) { return i.priceValue; }, false},
    };
    for (const Key& key : kKeys) {
        if (sort == key.name) {
            value = key.value;
            descending = key.descending;
            return true;
        }
    }
    return false;  // "default" and anything unknown: catalogue order
}

std::string anchor(int traceNum, const std::string& pid, const std::string& href, const std::string& title) {
    return "<a trace=\"auction\" traceNum=\"" + std::to_string(traceNum) + "\" data-pid=\"" + pid +
           "\" href=\"" + href + "\" target=\"_blank\" title=\"" + title + "\">";
}

// One listing as the list layout writes it; `hrefTail` follows the address inside
// the attribute run (text after a closing quote, as real pages add attributes).
std::string listing(const CatalogueItem& item, int index, const std::string& simHost,
                    const std::string& hrefTail) {
    static const std::string kYuan = text::gbk("¥");
    static const std::string kPaid = text::gbk("人付款");
    const std::string id = std::to_string(item.id);
    std::string out =
        "<div class=\"item\" data-index=\"" + std::to_string(index) + "\" data-nid=\"" + id + "\">\n";
    out += "<div class=\"pic-box\">\n";
    out += anchor(index % 2 == 0 ? 2 : 3, id, itemUrl(simHost, item.id) + hrefTail, item.title);
    out += "<img src=\"http://" + simHost + "/img/" + id + "_180x180.jpg\" alt=\"\"></a>\n</div>\n";
    out += "<div class=\"price\"><span>" + kYuan + "</span><strong>" + item.priceText + "</strong></div>\n";
    out += "<div class=\"deal-cnt\">" + std::to_string(item.sales) + kPaid + "</div>\n";
    out += "<div class=\"location\">" + item.locationWritten + "</div>\n";
    out += "</div>\n";
    return out;
}

// An advert whose anchor opens in the same window: the item pattern does not end
// on it, so its lazy address group runs on across the next picture box.
std::string runAcrossAdvert(const std::string& simHost) {
    static const std::string kAd = text::gbk("推广");
    std::string out =
        "<div class=\"item ad\"><a trace=\"auction\" traceNum=\"2\" data-pid=\"p4p_1\" href=\"http://" +
        simHost + "/adclick?id=1\" target=\"_self\" title=\"" + kAd + "\">" + kAd + "</a></div>\n";
    out += "<div class=\"item ad\">\n<div class=\"pic-box-big\">\n";
    out += anchor(3, "p4p_2", "http://" + simHost + "/adclick?id=2", kAd);
    out += "</a></div>\n</div>\n";
    return out;
}

std::string pageHead(const std::string& keyword, const std::string& currentPage) {
    static const std::string kSuffix = text::gbk("-淘宝搜索");
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\">\n<title>" + keyword + kSuffix +
                      "</title>\n</head>\n<body>\n";
    out += "<script>g_page_config = {\"pageName\":\"" + currentPage + "\",\"currentPage\":\"" + currentPage +
           "\"};</script>\n";
    return out;
}

}  // namespace

std::vector<const CatalogueItem*> searchResults(const Catalogue& catalogue,
                                                const SearchPageRequest& request) {
    std::vector<const CatalogueItem*> found = catalogue.listedMatching(request.keyword);
    const std::vector<std::string> names = splitNames(request.region);
    if (!names.empty()) {
        std::erase_if(found, [&](const CatalogueItem* item) { return !inRegion(*item, names); });
    }
    SortValue value;
    bool descending = false;
    if (sortOrder(request.sort, value, descending)) {
        std::stable_sort(found.begin(), found.end(), [&](const CatalogueItem* a, const CatalogueItem* b) {
            const double va = value(*a);
            const double vb = value(*b);
            if (va != vb) return descending ? va > vb : va < vb;
            return a->id < b->id;
        });
    }
    return found;
}

std::string buildDetailSrpPage(const std::string& keyword) {
    std::string out = pageHead(keyword, "detailsrp");
    out += "<div class=\"srp-detail\"><div id=\"J_DetailSrp\"></div></div>\n</body>\n</html>\n";
    return out;
}

std::string buildSearchPage(const Catalogue& catalogue, const SearchPageRequest& request,
                            const std::string& simHost) {
    static const std::string kPager = text::gbk("<!--分页-->");
    const bool detailSrp = request.keyword == kDetailSrpKeyword;
    if (detailSrp && request.offset > 0) return buildDetailSrpPage(request.keyword);

    SearchPageRequest lookup = request;
    if (detailSrp || request.keyword == kQuoteTwinsKeyword) lookup.keyword.clear();
    const std::vector<const CatalogueItem*> results = searchResults(catalogue, lookup);

    std::string out = pageHead(request.keyword, "mainsrp");
    out +=
        "<div id=\"main\">\n<div class=\"tb-content\">\n<div class=\"m-itemlist\">\n<div class=\"items\">\n";
    const int total = static_cast<int>(results.size());
    const int first = std::max(0, request.offset);
    if (first == 0) out += runAcrossAdvert(simHost);
    // The ranking moves while the user pages: the last listing of the previous
    // page shows again at the top of this one.
    if (first > 0 && first - 1 < total) out += listing(*results[first - 1], 0, simHost, "");
    for (int i = first; i < std::min(total, first + kSearchPageSize); ++i) {
        const int index = i - first;
        // One listing per page carries further attributes after its address.
        const std::string tail = index == 2 ? "\" data-spm=\"d" + std::to_string(index) : "";
        out += listing(*results[i], index, simHost, tail);
        if (index == 0 && first == 0 && request.keyword == kQuoteTwinsKeyword) {
            out += listing(*results[i], index, simHost, "\" data-spm=\"twin");
        }
    }
    out += "</div>\n</div>\n</div>\n" + kPager + "\n";
    out += "<div class=\"pager\" data-total=\"" + std::to_string(total) + "\" data-offset=\"" +
           std::to_string(first) + "\"></div>\n</div>\n</body>\n</html>\n";
    return out;
}

SearchPageRequest parseSearchQuery(std::string_view query) {
    SearchPageRequest request;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t amp = query.find('&', start);
        if (amp == std::string_view::npos) amp = query.size();
        const std::string_view pair = query.substr(start, amp - start);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = pair.substr(0, eq);
            const std::string value = text::percentDecode(pair.substr(eq + 1));
            // The last value wins: a pasted list address may carry s= twice.
            if (key == "q") request.keyword = value;
            if (key == "loc") request.region = value;
            if (key == "sort") request.sort = value;
            if (key == "s") request.offset = text::toInt(value);
        }
        start = amp + 1;
    }
    return request;
}

void installSearchRoutes(MarketSim& sim) {
    const auto serve = [&sim](const Request& request) {
        const Catalogue& catalogue = catalogueFor(sim.seed(), simReferenceNow());
        Response response;
        response.body =
            buildSearchPage(catalogue, parseSearchQuery(request.query), sim.marketConfig().itemHost);
        return response;
    };
    sim.route(kSearchPath, serve);
    sim.route(std::string(kListPagePrefix) + "*", serve);
}

}  // namespace shelfwatch::sim

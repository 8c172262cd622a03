// The list service "/itemlist/default.htm" as the marketplace answers it: JSON in
// GBK bytes holding the category level below the requested category
// ("data.cat": a flat "catList", or "catGroupList" groups when "hasGroup" is
// "1"), the number of matching items ("data.selectedCondition.totalNumber") and
// one page of them ("data.itemList": tip, href, nick, tradeNum, ...). Items come
// from the catalogue, so every href is an item page the simulator serves.
// Requests select by cat= (0: everything), nick= (a seller, UTF-8
// percent-encoded) and q= (a keyword, likewise), and page by pSize= and
// data-value=. Like real JSON writers, some answers escape Chinese as \uXXXX and
// some write numbers where others write strings. Pure builders plus the route.
#pragma once

#include "catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::sim {

class MarketSim;

inline constexpr const char* kListServicePath = "/itemlist/default.htm";

struct SimCategory {
    std::string name;         // UTF-8
    std::string value;        // as the answer writes it; not always a number
    std::string group;        // UTF-8 group name under a grouped parent; "" when flat
    std::vector<int> leaves;  // catalogue category ids the category holds
};

// The first level, and the level below a first-level value (empty for leaves
// and unknown values). The grouped parent "16" has two groups of 3 and 2; one
// first-level category has the value "tese", which is not a number.
const std::vector<SimCategory>& simFirstLevel();
std::vector<SimCategory> simSubLevel(const std::string& value);
bool simHasGroups(const std::string& value);

struct ListServiceRequest {
    std::string cat = "0";  // as sent
    bool byNick = false;    // nick= present
    std::string nick;       // GBK, decoded
    std::string keyword;    // GBK, decoded; empty: none
    int pageSize = 1;
    std::int64_t offset = 0;
};

ListServiceRequest parseListServiceQuery(std::string_view query);

// Listed items of the request's category, seller and keyword, in catalogue order.
std::vector<const CatalogueItem*> listServiceMatches(const Catalogue& catalogue,
                                                     const ListServiceRequest& request);

// The whole answer (GBK). `simHost` is where the item addresses point.
std::string buildListServiceAnswer(const Catalogue& catalogue, const ListServiceRequest& request,
                                   const std::string& simHost);

void installListServiceRoutes(MarketSim& sim);

}  // namespace shelfwatch::sim

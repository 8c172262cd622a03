// Item pages and their service answers, as the marketplace serves them: a GBK
// item page of realistic size (150-250 KB of styles, scripts and Chinese text
// around exactly the markers the analysis reads), the mall service answer, the
// marketplace count service and detail service answers, the removed-item page
// and the guide page. Every address inside a page points back at the simulator.
// The builders are pure functions of a catalogue item, so tests and benchmarks
// can use them without a server. installItemRoutes serves them from a MarketSim.
#pragma once

#include "catalogue.h"

#include <cstdint>
#include <string>

namespace shelfwatch::sim {

class MarketSim;

// Where the page's own addresses and markers point.
struct PageHosts {
    std::string simHost;  // "127.0.0.1:<port>"
    std::string mallDomain = "tmall.com";
    std::string helpHost;  // registration guide host; empty: simHost
};

// "http://" + host + "/item.htm?id=" + id, the address of one item page.
std::string itemUrl(const std::string& simHost, std::int64_t id);

// Paths the item family serves.
inline constexpr const char* kItemPagePath = "/item.htm";
inline constexpr const char* kMallServicePath = "/mdskip/initItemDetail.htm";
inline constexpr const char* kCountServicePath = "/json/ifq.htm";
inline constexpr const char* kDetailServicePath = "/json/sib.htm";
inline constexpr const char* kGuidePagePath = "/register/guide.htm";

// The page for any kind of catalogue item (removed and guide items included).
std::string buildItemPage(const CatalogueItem& item, const PageHosts& hosts);
// The page for an id the catalogue does not know: the removed-item page.
std::string buildRemovedPage(const PageHosts& hosts);
// Service answers, GBK, with the spacing, quotes and line breaks a real service has.
std::string buildMallServiceAnswer(const CatalogueItem& item);
std::string buildCountServiceAnswer(const CatalogueItem& item);
std::string buildDetailServiceAnswer(const CatalogueItem& item);

// The service addresses as the item page writes them.
std::string mallServiceAddress(const CatalogueItem& item, const PageHosts& hosts);
std::string countServiceAddress(const CatalogueItem& item, const PageHosts& hosts);
std::string detailServiceAddress(const CatalogueItem& item, const PageHosts& hosts);

// Serves the item family of the catalogue for the simulator's seed.
void installItemRoutes(MarketSim& sim);

}  // namespace shelfwatch::sim

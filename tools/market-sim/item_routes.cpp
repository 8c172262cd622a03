// Serving the item family from a running simulator; apart from the page
// builders so that tests and benchmarks can build pages without a server.
#include "text/gbk_text.h"

#include "item_pages.h"
#include "market_sim.h"

#include <string>
#include <utility>

namespace shelfwatch::sim {

using text::gbk;

namespace {

// The services answer with script, for a known item or not.
Response serviceAnswer(std::string body) {
    Response response;
    response.contentType = "application/javascript; charset=gbk";
    response.body = std::move(body);
    return response;
}

}  // namespace

void installItemRoutes(MarketSim& sim) {
    // The hosts are read per request: the port is known only once the server runs.
    auto hostsOf = [&sim] {
        const config::MarketConfig market = sim.marketConfig();
        PageHosts hosts;
        hosts.simHost = sim.host();
        hosts.mallDomain = market.mallDomain;
        hosts.helpHost = market.helpHost;
        return hosts;
    };
    auto entryOf = [&sim](const Request& request, const char* key) {
        return catalogueFor(sim.seed(), simReferenceNow()).find(text::toInt64(request.param(key)));
    };

    sim.route(kItemPagePath, [hostsOf, entryOf](const Request& request) {
        Response response;
        const CatalogueItem* entry = entryOf(request, "id");
        response.body = entry ? buildItemPage(*entry, hostsOf()) : buildRemovedPage(hostsOf());
        return response;
    });
    sim.route(kMallServicePath, [entryOf](const Request& request) {
        const CatalogueItem* entry = entryOf(request, "itemId");
        return serviceAnswer(entry && entry->isMall() ? buildMallServiceAnswer(*entry)
                                                      : std::string("setMdskip({\"isSuccess\":false})"));
    });
    sim.route(kCountServicePath, [entryOf](const Request& request) {
        const CatalogueItem* entry = entryOf(request, "id");
        return serviceAnswer(entry ? buildCountServiceAnswer(*entry) : std::string("TB.Detail.ifq({});"));
    });
    sim.route(kDetailServicePath, [entryOf](const Request& request) {
        const CatalogueItem* entry = entryOf(request, "itemId");
        return serviceAnswer(entry ? buildDetailServiceAnswer(*entry) : std::string("var detail = {};"));
    });
    sim.route(kGuidePagePath, [](const Request&) {
        Response response;
        response.body = "<html><head><title>" + gbk("免费注册-淘宝网") + "</title></head><body><p>" +
                        gbk("欢迎注册淘宝会员") + "</p></body></html>";
        return response;
    });
}

}  // namespace shelfwatch::sim

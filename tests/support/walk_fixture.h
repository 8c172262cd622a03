// The fixture the walk tests share: a running simulated marketplace, the program
// built over it with the clock at the catalogue's reference time, a headless
// panel and a watched fetcher, and what the tests expect of the walks (the rows a
// listed item must leave, the list requests the simulator saw, the idle window).
#pragma once

#include "app/app.h"
#include "item/listing_time.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/fetch_state.h"
#include "search/keyword_search.h"
#include "search/walk_context.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include "support/watched_fetcher.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace shelfwatch::table {
void PrintTo(const ItemRecord& r, std::ostream* os) {
    *os << "{";
    for (int c = 0; c < kColumnCount; ++c) *os << (c ? " | " : "") << text::gbkToUtf8(r.field(c));
    *os << "}";
}
}  // namespace shelfwatch::table

namespace shelfwatch::testing {

class WalkFixture : public ::testing::Test, protected SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(started); }
    // The walk threads go before the server does.
    void TearDown() override {
        state.stopRequested = 1;
        state.threads.joinAll();
    }

    search::WalkContext context() {
        search::WalkContext walk = binding.context();
        walk.detailWorkers = workers;
        return walk;
    }
    // A search started by the button, waited for.
    void clickAndWait() {
        search::WalkContext ctx = context();
        search::onSearchButtonClicked(ctx);
        state.threads.joinAll();
    }

    std::vector<const sim::CatalogueItem*> expectedResults(const std::string& keyword,
                                                           const std::string& region = {},
                                                           const std::string& sort = "default") const {
        sim::SearchPageRequest request;
        request.keyword = keyword;
        request.region = region;
        request.sort = sort;
        return sim::searchResults(catalogue, request);
    }
    std::string urlOf(std::int64_t id) const { return sim::itemUrl(market.itemHost, id); }

    // The row the detail fetch must leave for a listed item.
    table::ItemRecord expectedRow(int seq, const sim::CatalogueItem& item) const {
        table::ItemRecord row;
        row.seq = std::to_string(seq);
        row.title = item.title;
        row.url = urlOf(item.id);
        row.seller = item.seller;
        if (item.hasListingBlock) {
            row.startTime = item::dateTimeText(item::msToDateTime(item.startsMs));
            row.endTime = item::dateTimeText(item::msToDateTime(item.endsMs));
            const std::int32_t minutes =
                item::wholeMinutesBetween(item::msToDateTime(item.endsMs), clock.now());
            row.minutesLeft = std::to_string(std::max(0, minutes));
        } else {
            row.minutesLeft = "0";  // no listing times: the date cells stay empty
        }
        row.sales = std::to_string(item.sales);
        row.stock = item.expectedStock();
        row.isMall = item.isMall() ? text::gbk("真") : text::gbk("假");
        row.price = item.expectedPrice();
        row.location = item.location;
        return row;
    }

    std::vector<sim::LoggedRequest> searchRequests() const {
        std::vector<sim::LoggedRequest> found;
        for (const sim::LoggedRequest& r : server.requests()) {
            if (r.target.rfind("/search?", 0) == 0 || r.target.rfind("/list/", 0) == 0) found.push_back(r);
        }
        return found;
    }
    static std::string param(const std::string& target, const std::string& key) {
        const std::string query = target.substr(target.find('?') + 1);
        std::string value;
        bool found = false;
        std::size_t start = 0;
        while (start <= query.size()) {
            std::size_t amp = query.find('&', start);
            if (amp == std::string::npos) amp = query.size();
            const std::string pair = query.substr(start, amp - start);
            if (pair.rfind(key + "=", 0) == 0) {
                value = pair.substr(key.size() + 1);
                found = true;
            }
            start = amp + 1;
        }
        return found ? value : "<absent>";
    }
    void expectIdle() const {
        EXPECT_EQ(panel.searchButtonCaption(), search::searchCaption());
        for (panel::Control c : {panel::Control::KeywordEdit, panel::Control::PageCountEdit,
                                 panel::Control::ExportButton, panel::Control::StoreButton}) {
            EXPECT_TRUE(panel.isEnabled(c)) << static_cast<int>(c);
        }
    }

    bool started = start();
    const sim::Catalogue& catalogue = sim::catalogueFor(server.seed());
    app::App program{appOptionsFor(*this, catalogue.referenceNow())};
    table::ResultTable& table = program.table();
    search::FetchState& state = program.fetchState();
    const item::Clock& clock = program.clock();
    WatchedFetcher fetcher{program.curl()};
    panel::HeadlessPanel panel;
    int workers = 1;
    // Last: it stops and joins the walk threads before anything they use goes.
    app::PanelBinding binding{program, panel, &fetcher};
};

}  // namespace shelfwatch::testing

// The keyword search against the simulator over real HTTP: the pages it asks for
// and in which order, the rows it leaves, its button and controls, stopping it.
#include "search/keyword_search.h"
#include "search/search_query.h"

#include "support/walk_fixture.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using testing::WalkFixture;
using text::gbk;

TEST_F(WalkFixture, RequestsEveryPageInOrderWithTheQueryValues) {
    panel.setKeyword("a b+c");  // matches nothing: every page is empty
    panel.setPageCountText("3");
    panel.setSortIndex(4);
    panel.setDirectionIndex(1);
    clickAndWait();

    const std::vector<sim::LoggedRequest> pages = searchRequests();
    ASSERT_EQ(pages.size(), 3u);
    const char* const offsets[] = {"0", "44", "88"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(param(pages[i].target, "s"), offsets[i]);
        EXPECT_EQ(param(pages[i].target, "q"), "a%20b%2Bc");
        EXPECT_EQ(param(pages[i].target, "sort"), "old_ends");
        EXPECT_EQ(param(pages[i].target, "initiative_id"), "staobaoz_20140731");
        EXPECT_EQ(param(pages[i].target, "spm"), sim::homeSpmValue(server.seed()));
        EXPECT_EQ(param(pages[i].target, "loc"), "<absent>");
    }
    const std::vector<std::string> urls = fetcher.urls();
    EXPECT_EQ(std::count(urls.begin(), urls.end(), market.homeUrl()), 1);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();

    // With a region the other form of the address is used.
    panel.setRegion(gbk("杭州,上海"));
    panel.setSortIndex(-1);
    server.clearRequests();
    panel.setPageCountText("1");
    clickAndWait();
    const std::vector<sim::LoggedRequest> regional = searchRequests();
    ASSERT_EQ(regional.size(), 1u);
    EXPECT_EQ(param(regional[0].target, "loc"), "%BA%BC%D6%DD,%C9%CF%BA%A3");
    EXPECT_EQ(param(regional[0].target, "filterFineness"), "2");
    EXPECT_EQ(param(regional[0].target, "sort"), "default");
}

TEST_F(WalkFixture, FillsOneRowPerNewItemAndFetchesEveryDetail) {
    const std::string keyword = gbk("连衣裙");
    const std::vector<const sim::CatalogueItem*> results = expectedResults(keyword);
    ASSERT_GT(results.size(), 44u) << "the keyword must span two pages";
    ASSERT_LE(results.size(), 88u);
    panel.setKeyword(keyword);
    panel.setPageCountText("2");
    clickAndWait();

    // The repeated listing at the top of page 2 and the advert give no row.
    ASSERT_EQ(table.rowCount(), static_cast<int>(results.size()));
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.row(row), expectedRow(row, *results[static_cast<std::size_t>(row)])) << "row " << row;
    }
    EXPECT_EQ(panel.status(), search::doneText());
    EXPECT_EQ(panel.progress(), search::progressText(table.rowCount(), table.rowCount()));
    expectIdle();
    const std::vector<std::string> statuses = panel.statusHistory();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), search::listPageStatus(1)), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), search::listPageStatus(2)), statuses.end());
    EXPECT_EQ(fetcher.count("/adclick"), 0);
}

TEST_F(WalkFixture, SortAndRegionChooseTheListings) {
    const std::string keyword = gbk("手机壳");
    panel.setKeyword(keyword);
    panel.setPageCountText("1");
    panel.setSortIndex(2);
    panel.setDirectionIndex(0);
    panel.setRegion(gbk("杭州,上海"));
    clickAndWait();
    const auto results = expectedResults(keyword, gbk("杭州,上海"), "sale-desc");
    ASSERT_FALSE(results.empty());
    ASSERT_EQ(table.rowCount(), static_cast<int>(std::min<std::size_t>(results.size(), 44)));
    int lastSales = 1 << 30;
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.cell(row, table::kUrl), urlOf(results[static_cast<std::size_t>(row)]->id));
        const int sales = text::toInt(table.cell(row, table::kSales));
        EXPECT_LE(sales, lastSales);
        lastSales = sales;
        const std::string location = table.cell(row, table::kLocation);
        EXPECT_TRUE(text::find(location, gbk("杭州")) > 0 || text::find(location, gbk("上海")) > 0) << row;
    }
}

TEST_F(WalkFixture, DetailSrpLayoutEndsTheWalkAndKeepsEarlierRows) {
    panel.setKeyword(sim::kDetailSrpKeyword);
    panel.setPageCountText("3");
    clickAndWait();

    EXPECT_EQ(searchRequests().size(), 2u);  // page 3 is never asked for
    ASSERT_EQ(table.rowCount(), 44);
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.cell(row, table::kSeq), std::to_string(row));
        EXPECT_FALSE(table.cell(row, table::kUrl).empty());
        EXPECT_EQ(table.cell(row, table::kSeller), "");
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 0);
    EXPECT_EQ(panel.messages(),
              std::vector<std::string>{gbk("暂不支持DetailSrp模式关键词\r\n请使用本软件的列表页查询模式")});
    EXPECT_EQ(panel.status(), search::stoppedText());
    expectIdle();
}

TEST_F(WalkFixture, TheClickChecksItsInputsAndTogglesTheButton) {
    search::WalkContext ctx = context();
    search::onSearchButtonClicked(ctx);
    EXPECT_EQ(panel.messages(), std::vector<std::string>{gbk("请输入关键词")});
    EXPECT_EQ(state.threads.running(), 0);

    panel.setKeyword(gbk("茶叶"));
    for (const char* count : {"", "0", "x"}) {
        panel.setPageCountText(count);
        // Hold the walk at its first page so the running state can be seen.
        std::mutex gate;
        std::unique_lock held(gate);
        std::promise<void> arrived;
        std::atomic<bool> signalled{false};
        fetcher.setHook([&](const std::string& url) {
            if (url.find("/search?") == std::string::npos) return;
            if (!signalled.exchange(true)) arrived.set_value();
            std::lock_guard wait(gate);
        });
        search::onSearchButtonClicked(ctx);
        EXPECT_EQ(panel.pageCountText(), "1") << count;
        EXPECT_EQ(panel.searchButtonCaption(), search::stopCaption());
        // The walk has locked its controls by the time it asks for the page.
        arrived.get_future().wait();
        EXPECT_FALSE(panel.isEnabled(panel::Control::KeywordEdit));
        search::onSearchButtonClicked(ctx);  // the stop click
        EXPECT_EQ(state.stopRequested.load(), 1);
        expectIdle();
        held.unlock();
        state.threads.joinAll();
        fetcher.setHook(nullptr);
        // Stopped before any item page: no details, and the page walk ended.
        EXPECT_EQ(fetcher.count(sim::kItemPagePath), 0);
        EXPECT_LE(searchRequests().size(), 1u);
        expectIdle();
        server.clearRequests();
    }
}

TEST_F(WalkFixture, ANewSearchWaitsForTheStoppedOneBeforeTakingTheTable) {
    const std::string first = gbk("连衣裙");
    const std::string second = gbk("茶叶");
    panel.setKeyword(first);
    panel.setPageCountText("1");
    search::WalkContext ctx = context();
    int itemPages = 0;
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos) return;
        if (++itemPages != 2) return;
        search::onSearchButtonClicked(ctx);  // stop ...
        panel.setKeyword(second);
        search::onSearchButtonClicked(ctx);  // ... and start again at once
    });
    search::onSearchButtonClicked(ctx);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    const auto results = expectedResults(second);
    ASSERT_EQ(table.rowCount(), static_cast<int>(std::min<std::size_t>(results.size(), 44)));
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.row(row), expectedRow(row, *results[static_cast<std::size_t>(row)])) << row;
    }
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(WalkFixture, RegionHelpShowsItsMessage) {
    search::showRegionHelp(panel);
    EXPECT_EQ(panel.messages(),
              std::vector<std::string>{
                  gbk("使用方法类似淘宝的商品列表页\r\n只需输入需要查询的城市名或者省份名称\r\n")});
}

}  // namespace
}  // namespace shelfwatch

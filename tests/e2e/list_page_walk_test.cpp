// The list-page query against the simulator: the pasted address walked page by
// page without the duplicate test, cancel, zero pages and stop.
#include "search/list_page_query.h"
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

TEST_F(WalkFixture, ListPageQueryWalksThePastedAddressWithoutDedupe) {
    const std::string keyword = gbk("连衣裙");
    const std::string address =
        "http://" + market.searchHost + "/list/pasted.htm?cat=16&q=" + search::percentEncode(keyword);
    panel.queueAnswer(address);
    panel.setPageCountText("2");
    search::WalkContext ctx = context();
    search::onListPageButtonClicked(ctx);

    EXPECT_EQ(panel.prompts(), std::vector<std::string>{search::listPagePrompt()});
    const auto pages = searchRequests();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].target, address.substr(address.find("/list/")) + "&s=0");
    EXPECT_EQ(pages[1].target, address.substr(address.find("/list/")) + "&s=44");

    const auto results = expectedResults(keyword);
    // Page 2 repeats the last listing of page 1: here it is a row of its own.
    ASSERT_EQ(table.rowCount(), static_cast<int>(results.size()) + 1);
    EXPECT_EQ(table.cell(44, table::kUrl), table.cell(43, table::kUrl));
    EXPECT_EQ(table.cell(44, table::kSeq), "44");
    for (int row = 0; row < table.rowCount(); ++row) {
        const std::size_t index = static_cast<std::size_t>(row <= 44 ? std::min(row, 43) : row - 1);
        EXPECT_EQ(table.row(row), expectedRow(row, *results[index])) << row;
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), table.rowCount());
    // No completion text: the status keeps the fetch text, the progress its last value.
    EXPECT_EQ(panel.status(), search::fetchingInfoText());
    EXPECT_EQ(panel.progress(), search::progressText(table.rowCount(), table.rowCount()));
    EXPECT_EQ(panel.processEventsCalls(), 2 + table.rowCount());
}

TEST_F(WalkFixture, ListPageQueryCancelZeroPagesAndStop) {
    table.appendRow();
    table.setCell(0, table::kUrl, "kept");
    search::WalkContext ctx = context();

    panel.queueAnswer(std::nullopt);
    search::onListPageButtonClicked(ctx);
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_TRUE(fetcher.urls().empty());

    panel.setStatus("before");
    panel.setPageCountText("0");
    search::runListPageQuery(ctx, "http://" + market.searchHost + "/list/x?q=a");
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(fetcher.urls(), std::vector<std::string>{market.homeUrl()});
    EXPECT_EQ(panel.status(), "before");

    // A stop left over from a keyword search does not hold the query; a stop while
    // it runs ends it before the next item.
    state.stopRequested = 1;
    panel.setPageCountText("1");
    fetcher.clear();
    panel.setProcessEventsHook([&] {
        if (panel.progress() == search::progressText(3, 44)) state.stopRequested = 1;
    });
    search::runListPageQuery(
        ctx, "http://" + market.searchHost + "/list/x?q=" + search::percentEncode(gbk("连衣裙")));
    panel.setProcessEventsHook(nullptr);
    ASSERT_EQ(table.rowCount(), 44);
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 2);
    EXPECT_FALSE(table.cell(1, table::kSeller).empty());
    EXPECT_EQ(table.cell(2, table::kSeller), "");
    EXPECT_EQ(panel.status(), search::stoppedText());
}

}  // namespace
}  // namespace shelfwatch

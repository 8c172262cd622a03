// Refreshing failed rows against the simulator: retries, and giving up.
#include "search/refresh_failed.h"

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

TEST_F(WalkFixture, RefreshRetriesFailedRowsAndGivesUpAfterThreeTries) {
    const std::string removed = urlOf(sim::fixture::kRemoved);
    const std::string noBlock = urlOf(sim::fixture::kNoListingBlock);
    const std::string flaky = urlOf(sim::fixture::kWorkedExample);
    struct Row {
        std::string url, title, seller, start;
    };
    const Row rows[] = {
        {urlOf(sim::fixture::kOversold), "t", "s", "d"},  // complete: never taken
        {removed, "", "", ""},                            // fails every time
        {"", "", "", ""},                                 // no address
        {noBlock, "", "seller", ""},                      // no start date ever
        {flaky, "keep me", "", ""},                       // first try fails
    };
    for (const Row& r : rows) {
        const int row = table.appendRow();
        table.setCell(row, table::kUrl, r.url);
        table.setCell(row, table::kTitle, r.title);
        table.setCell(row, table::kSeller, r.seller);
        table.setCell(row, table::kStartTime, r.start);
        table.setCell(row, table::kPrice, "old price");
    }
    fetcher.failFirst(flaky, 1);
    search::WalkContext ctx = context();
    const int analyses = search::refreshFailedItems(ctx);

    // Address pass: the empty address 3 times. Seller pass: removed 3, empty 3,
    // flaky 2. Start pass: removed 3, empty 3, no-block 3.
    EXPECT_EQ(analyses, 20);
    EXPECT_EQ(fetcher.count(removed), 6);
    EXPECT_EQ(fetcher.count(noBlock), 3);
    EXPECT_EQ(fetcher.count(flaky), 2);
    EXPECT_EQ(fetcher.count(urlOf(sim::fixture::kOversold)), 0);
    EXPECT_EQ(table.cell(4, table::kTitle), "keep me");
    EXPECT_EQ(table.cell(4, table::kPrice), "old price");
    EXPECT_EQ(table.cell(4, table::kSales), "");
    EXPECT_EQ(table.cell(4, table::kSeller), gbk("小美的店"));
    EXPECT_EQ(table.cell(4, table::kStartTime), gbk("2014年7月25日8时"));
    EXPECT_EQ(table.cell(3, table::kSeller), catalogue.find(sim::fixture::kNoListingBlock)->seller);
    EXPECT_EQ(table.cell(2, table::kUrl), "");
    EXPECT_EQ(panel.statusHistory(), (std::vector<std::string>{gbk("正在刷新失败的项目。"), ""}));
    EXPECT_EQ(panel.processEventsCalls(), 1);
    for (panel::Control c : {panel::Control::PageCountEdit, panel::Control::SearchButton,
                             panel::Control::ExportButton, panel::Control::StoreButton}) {
        EXPECT_TRUE(panel.isEnabled(c));
    }

    // Nothing left to refresh but the hopeless rows; a complete table costs nothing.
    table.clear();
    table.appendRow();
    for (int c = 0; c < table::kColumnCount; ++c) table.setCell(0, c, "x");
    fetcher.clear();
    EXPECT_EQ(search::refreshFailedItems(ctx), 0);
    EXPECT_TRUE(fetcher.urls().empty());
}

}  // namespace
}  // namespace shelfwatch

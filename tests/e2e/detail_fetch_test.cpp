// The batch detail fetch against the simulator: the rows it passes over, the
// progress it shows, stopping, several workers, late writes, and the fill of rows
// that the list service has partly written.
#include "config/ini_file.h"
#include "search/detail_fetch.h"
#include "search/keyword_search.h"

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

TEST_F(WalkFixture, StopDuringTheDetailsWritesTheRowInFlightOnly) {
    panel.setKeyword(gbk("连衣裙"));
    panel.setPageCountText("1");
    search::WalkContext ctx = context();
    int itemPages = 0;
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos) return;
        if (++itemPages == 2) search::onSearchButtonClicked(ctx);  // the user clicks stop
    });
    search::onSearchButtonClicked(ctx);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    ASSERT_EQ(table.rowCount(), 44);
    EXPECT_FALSE(table.cell(0, table::kSeller).empty());
    EXPECT_FALSE(table.cell(1, table::kSeller).empty()) << "the row in flight is still written";
    for (int row = 2; row < table.rowCount(); ++row) {
        table::ItemRecord addressOnly;
        addressOnly.seq = std::to_string(row);
        addressOnly.url = table.cell(row, table::kUrl);
        EXPECT_EQ(table.row(row), addressOnly) << row;
    }
    EXPECT_EQ(itemPages, 2);
    EXPECT_EQ(panel.status(), search::stoppedText());
    EXPECT_EQ(panel.progress(), search::progressText(3, 44));
    EXPECT_EQ(state.activeWorkers.load(), 1) << "a stopped worker leaves the counter";
    expectIdle();
}

TEST_F(WalkFixture, DetailFetchPassesOverDoneRowsAndReportsProgress) {
    for (std::int64_t id :
         {sim::fixture::kWorkedExample, sim::fixture::kOversold, sim::fixture::kMallPlain}) {
        const int row = table.appendRow();
        table.setCell(row, table::kSeq, std::to_string(row));
        table.setCell(row, table::kUrl, urlOf(id));
    }
    table.setCell(1, table::kSeller, "done");
    panel.setSearchButtonCaption(search::stopCaption());
    search::WalkContext ctx = context();
    search::startDetailWorkers(ctx, table.generation(), true);

    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 2);
    EXPECT_EQ(table.cell(1, table::kTitle), "");
    EXPECT_EQ(table.cell(2, table::kIsMall), gbk("真"));
    EXPECT_EQ(table.cell(0, table::kStartTime), gbk("2014年7月25日8时"));
    EXPECT_EQ(panel.progressHistory(),
              (std::vector<std::string>{search::progressText(1, 3), search::progressText(2, 3),
                                        search::progressText(3, 3)}));
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();

    // An empty table completes at once.
    table.clear();
    fetcher.clear();
    panel.setSearchButtonCaption(search::stopCaption());
    search::startDetailWorkers(ctx, table.generation(), true);
    EXPECT_TRUE(fetcher.urls().empty());
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(WalkFixture, EightWorkersLeaveTheSameTableAsOne) {
    panel.setKeyword("");  // every listed item
    panel.setPageCountText("3");
    search::WalkContext ctx = context();
    search::runKeywordSearch(ctx, true);
    const std::vector<table::ItemRecord> one = table.snapshot();
    ASSERT_GT(one.size(), 100u);

    workers = 8;
    search::WalkContext eight = context();
    search::runKeywordSearch(eight, false);
    state.threads.joinAll();
    EXPECT_EQ(table.snapshot(), one);
    EXPECT_EQ(state.activeWorkers.load(), 0);
    EXPECT_GT(state.nextRow.load(), static_cast<int>(one.size()));
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(WalkFixture, ALateWriteNeverReachesATableClearedSince) {
    for (int i = 0; i < 4; ++i) {
        const int row = table.appendRow();
        table.setCell(row, table::kSeq, std::to_string(row));
        table.setCell(row, table::kUrl, urlOf(sim::fixture::kWorkedExample));
    }
    // While the first item is being analysed a newer query takes the table over.
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos || table.rowCount() != 4) return;
        table.clear();
        for (int i = 0; i < 2; ++i) {
            const int row = table.appendRow();
            table.setCell(row, table::kUrl, "newer");
        }
    });
    search::WalkContext ctx = context();
    search::startDetailWorkers(ctx, table.generation(), false);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    ASSERT_EQ(table.rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        table::ItemRecord untouched;
        untouched.url = "newer";
        EXPECT_EQ(table.row(row), untouched);
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 1) << "the worker takes no further row";
    EXPECT_NE(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(WalkFixture, DetailWorkersSettingIsClamped) {
    EXPECT_EQ(search::detailWorkersSetting(dataDir), 1);
    const std::filesystem::path ini = dataDir / "configs.ini";
    for (auto [value, expected] :
         std::vector<std::pair<const char*, int>>{{"4", 4}, {"0", 1}, {"99", 16}, {"x", 1}}) {
        ASSERT_TRUE(config::iniWrite(ini, "search", "detailWorkers", value));
        EXPECT_EQ(search::detailWorkersSetting(dataDir), expected) << value;
    }
}

// The store and category queries leave title, seller and sales from the list
// service; the fill writes the rest, keeps what the service wrote, passes over
// rows that already have a start time, and gives the four controls back.
TEST_F(WalkFixture, FillRemainingDetailsKeepsTheListServiceCells) {
    const std::int64_t ids[] = {sim::fixture::kWorkedExample, sim::fixture::kOversold,
                                sim::fixture::kMallPlain};
    for (std::int64_t id : ids) {
        table::ItemRecord listed;
        listed.url = urlOf(id);
        listed.title = "listed title";
        listed.seller = "listed seller";
        listed.sales = "7";
        ASSERT_GE(table.appendNumberedIf(table.generation(), listed), 0);
    }
    table.setCell(1, table::kStartTime, "done");
    search::WalkContext ctx = context();
    search::setControls(panel, search::kDetailWalkControls, false);
    search::fillRemainingDetails(ctx);

    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 2) << "the done row is passed over";
    for (int row : {0, 2}) {
        const table::ItemRecord expected = expectedRow(row, *catalogue.find(ids[row]));
        const table::ItemRecord got = table.row(row);
        EXPECT_EQ(got.title, "listed title");
        EXPECT_EQ(got.seller, "listed seller");
        EXPECT_EQ(got.sales, "7");
        for (int column : search::kRemainingDetailColumns) {
            EXPECT_EQ(got.field(column), expected.field(column)) << "row " << row << " column " << column;
        }
    }
    EXPECT_EQ(table.cell(1, table::kStartTime), "done");
    EXPECT_TRUE(table.cell(1, table::kEndTime).empty());
    EXPECT_EQ(panel.status(), search::doneText());
    EXPECT_EQ(panel.progress(), search::progressText(3, 3));
    for (panel::Control c : search::kDetailWalkControls) EXPECT_TRUE(panel.isEnabled(c));
}

// A query started from the events the fill lets run takes the table over: the
// older fill writes nothing more and leaves the labels to the newer query.
TEST_F(WalkFixture, FillRemainingDetailsYieldsToANewerQuery) {
    for (std::int64_t id : {sim::fixture::kWorkedExample, sim::fixture::kOversold}) {
        table::ItemRecord listed;
        listed.url = urlOf(id);
        ASSERT_GE(table.appendNumberedIf(table.generation(), listed), 0);
    }
    search::WalkContext ctx = context();
    search::setControls(panel, search::kDetailWalkControls, false);
    int pumped = 0;
    panel.setProcessEventsHook([&] {
        if (++pumped == 2) table.clear();
    });
    search::fillRemainingDetails(ctx);
    panel.setProcessEventsHook({});

    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 1);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_NE(panel.status(), search::doneText());
    EXPECT_FALSE(panel.isEnabled(panel::Control::SearchButton)) << "the newer query owns the controls";
}

}  // namespace
}  // namespace shelfwatch

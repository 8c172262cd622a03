// The run history: recording, choosing what to compare, the comparison itself,
// the best hours of the week and several writers at once.
#include "history/best_hours.h"
#include "history/history_store.h"
#include "history/run_diff.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace shelfwatch::history {
namespace {

namespace fs = std::filesystem;

table::ItemRecord item(const std::string& id, const std::string& start, const std::string& price,
                       const std::string& title = "t") {
    table::ItemRecord r;
    r.url = "https://item.taobao.com/item.htm?spm=a1&id=" + id;
    r.title = title;
    r.seller = "s";
    r.startTime = start;
    r.endTime = "2014年8月1日";
    r.sales = "10";
    r.stock = "5";
    r.price = price;
    return r;
}

RunInfo runOf(const std::string& kind, const std::string& subject, item::DateTime time,
              Outcome outcome = Outcome::Done) {
    RunInfo run;
    run.kind = kind;
    run.subject = text::gbk(subject);
    run.time = time;
    run.pages = 1;
    run.outcome = outcome;
    return run;
}

class HistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("shelfwatch_history_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::int64_t record(HistoryStore& store, const RunInfo& run, const std::vector<table::ItemRecord>& rows) {
        std::string error;
        const std::int64_t id = store.record(run, rows, error);
        EXPECT_GT(id, 0) << error;
        return id;
    }

    fs::path dir;
    const item::DateTime monday = item::fromCivil(2014, 7, 28, 10, 0, 0);
};

TEST_F(HistoryTest, TwoRunsOfOneQueryGiveNewGoneRelistedAndChanged) {
    HistoryStore store(historyFile(dir));
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    const std::string kDress = "连衣裙";
    record(store, runOf("keyword", kDress, monday),
           {item("1", "2014年7月1日", "10.00"), item("2", "2014年7月2日", "20.00"),
            item("3", "2014年7月3日", "30.00"), item("4", "2014年7月4日", "40.00")});
    record(store, runOf("keyword", kDress, item::addDays(monday, 7)),
           {item("1", "2014年7月1日", "10.00"),    // unchanged
            item("3", "2014年7月30日", "30.00"),   // relisted
            item("4", "2014年7月4日", "35.00"),    // price moved
            item("5", "2014年8月1日", "50.00")});  // new; 2 is gone

    const DiffChoice choice = chooseRuns(store, std::nullopt, std::nullopt);
    ASSERT_TRUE(choice.ok) << choice.error;
    EXPECT_EQ(choice.from.id, 1);
    EXPECT_EQ(choice.to.id, 2);
    const RunDiff diff = compareRuns(store, choice.from, choice.to);
    EXPECT_EQ(diff.added, std::vector<std::string>{"5"});
    EXPECT_EQ(diff.gone, std::vector<std::string>{"2"});
    EXPECT_EQ(diff.relisted, std::vector<std::string>{"3"});
    ASSERT_EQ(diff.changed.size(), 1u);
    EXPECT_EQ(diff.changed[0].key, "4");
    EXPECT_EQ(diff.changed[0].field, "price");
    EXPECT_EQ(diff.changed[0].from, "40.00");
    EXPECT_EQ(diff.changed[0].to, "35.00");
    EXPECT_EQ(diffJson(diff),
              R"({"changed":[{"field":"price","from":"40.00","id":"4","to":"35.00"}],"from":1,"gone":["2"],)"
              R"("new":["5"],"relisted":["3"],"to":2})");
    EXPECT_EQ(diffSummary(diff), "1 new, 1 gone, 1 relisted, 1 changed");
}

TEST_F(HistoryTest, ComparesEveryFieldButTakesEmptyCellsForFailedFetches) {
    std::vector<RunRow> before(2), after(2);
    before[0].key = after[0].key = "1";
    before[0].record = item("1", "2014年7月1日", "10", "old title");
    after[0].record = item("1", "2014年7月1日", "12", "new title");
    after[0].record.sales = "11";
    after[0].record.stock = "4";
    after[0].record.seller = "other";
    // Item 2's second fetch failed: empty cells are not news about the item.
    before[1].key = after[1].key = "2";
    before[1].record = item("2", "2014年7月2日", "20");
    after[1].record = table::ItemRecord{};
    after[1].record.url = before[1].record.url;
    const RunDiff diff = compareRows(before, after);
    EXPECT_TRUE(diff.relisted.empty());
    std::vector<std::string> fields;
    for (const FieldChange& change : diff.changed) {
        EXPECT_EQ(change.key, "1");
        fields.push_back(change.field);
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"price", "sales", "stock", "title", "seller"}));
}

TEST_F(HistoryTest, RunsOfDifferentSubjectsOrKindsAreNeverComparedByDefault) {
    HistoryStore store(historyFile(dir));
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    const std::int64_t dresses = record(store, runOf("keyword", "连衣裙", monday), {item("1", "a", "1")});
    record(store, runOf("keyword", "T恤", item::addDays(monday, 1)), {item("2", "a", "1")});
    record(store, runOf("listpage", "连衣裙", item::addDays(monday, 2)), {item("3", "a", "1")});
    const std::int64_t dressesAgain =
        record(store, runOf("keyword", "连衣裙", item::addDays(monday, 3)), {item("1", "a", "1")});

    DiffChoice choice = chooseRuns(store, std::nullopt, std::nullopt);
    ASSERT_TRUE(choice.ok) << choice.error;
    EXPECT_EQ(choice.from.id, dresses);
    EXPECT_EQ(choice.to.id, dressesAgain);
    // The T-shirt run and the list-page run have nothing of their own query before them.
    EXPECT_FALSE(chooseRuns(store, std::nullopt, 2).ok);
    EXPECT_FALSE(chooseRuns(store, std::nullopt, 3).ok);
    // Asked for explicitly, any two runs compare.
    choice = chooseRuns(store, 2, 3);
    ASSERT_TRUE(choice.ok);
    EXPECT_EQ(compareRuns(store, choice.from, choice.to).added, std::vector<std::string>{"3"});
}

TEST_F(HistoryTest, AnInterruptedRunIsRecordedAsSuchAndComparedOnlyWhenAsked) {
    table::ResultTable table;
    table.appendRecord(item("1", "2014年7月1日", "10"));
    table.appendRecord(item("2", "2014年7月2日", "20"));
    item::FixedClock clock(monday);
    std::string error;
    ASSERT_TRUE(recordWalk(dir, clock, table, {kKindKeyword, text::gbk("连衣裙"), 2, false, false}, error))
        << error;

    // Midway through the next walk, only the first row is there when it is interrupted.
    table.clear();
    table.appendRecord(item("1", "2014年7月1日", "10"));
    clock.set(item::addDays(monday, 1));
    const auto interrupted =
        recordWalk(dir, clock, table, {kKindKeyword, text::gbk("连衣裙"), 2, false, true}, error);
    ASSERT_TRUE(interrupted) << error;
    EXPECT_EQ(interrupted->outcome, Outcome::Interrupted);
    EXPECT_EQ(interrupted->rows, 1);

    HistoryStore store(historyFile(dir));
    ASSERT_TRUE(store.openExisting(error)) << error;
    const std::vector<RunInfo> runs = store.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].outcome, Outcome::Interrupted);  // newest first
    EXPECT_EQ(runs[0].time, item::addDays(monday, 1));
    EXPECT_EQ(runs[1].outcome, Outcome::Done);
    EXPECT_EQ(store.rows(runs[1].id).size(), 2u);

    // By default the half-walked run neither is compared nor makes item 2 look gone.
    EXPECT_FALSE(chooseRuns(store, std::nullopt, std::nullopt).ok);
    const DiffChoice asked = chooseRuns(store, std::nullopt, interrupted->id);
    ASSERT_TRUE(asked.ok) << asked.error;
    EXPECT_EQ(compareRuns(store, asked.from, asked.to).gone, std::vector<std::string>{"2"});
}

TEST_F(HistoryTest, OutcomesAndTheKeepSetting) {
    std::vector<table::ItemRecord> rows = {item("1", "2014年7月1日", "1"), item("2", "", "")};
    EXPECT_EQ(outcomeOf(rows, false, false), Outcome::Failures);  // row 2's details failed
    EXPECT_EQ(outcomeOf({item("1", "x", "1")}, false, false), Outcome::Done);
    EXPECT_EQ(outcomeOf(rows, true, false), Outcome::Stopped);
    EXPECT_EQ(outcomeOf(rows, true, true), Outcome::Interrupted);

    table::ResultTable table;
    table.appendRecord(rows[0]);
    item::FixedClock clock(monday);
    std::string error;
    // --no-history
    EXPECT_FALSE(recordWalk(dir, clock, table, {kKindKeyword, "k", 1, false, false}, error, false));
    std::ofstream(dir / "configs.ini") << "[history]\r\nkeep=0\r\n";
    EXPECT_FALSE(recordWalk(dir, clock, table, {kKindKeyword, "k", 1, false, false}, error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(fs::exists(historyFile(dir)));
    std::ofstream(dir / "configs.ini") << "[history]\r\nkeep=1\r\n";
    EXPECT_TRUE(recordWalk(dir, clock, table, {kKindKeyword, "k", 1, false, false}, error)) << error;
}

TEST_F(HistoryTest, ItemKeys) {
    struct Case {
        const char* address;
        const char* key;
        const char* why;
    };
    const Case cases[] = {
        {"https://item.taobao.com/item.htm?id=123", "123", "the only parameter"},
        {"https://detail.tmall.com/item.htm?spm=a.b&id=456&skuId=9", "456", "among others"},
        {"https://item.taobao.com/item.htm?uid=7&id=8", "8", "a name ending in id is not id"},
        {"https://item.taobao.com/item.htm?x=1#id=9", "https://item.taobao.com/item.htm?x=1#id=9",
         "a fragment is not the query"},
        {"https://item.taobao.com/item.htm?id=", "https://item.taobao.com/item.htm?id=", "an empty id"},
        {"https://item.taobao.com/item/77.htm", "https://item.taobao.com/item/77.htm", "no query at all"},
    };
    for (const Case& c : cases) EXPECT_EQ(itemKey(c.address), c.key) << c.why;
}

TEST_F(HistoryTest, PruneRemovesOldRunsWithTheirRows) {
    HistoryStore store(historyFile(dir));
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    record(store, runOf("keyword", "a", item::addDays(monday, -100)), {item("1", "a", "1")});
    const std::int64_t recent =
        record(store, runOf("keyword", "a", item::addDays(monday, -10)), {item("1", "a", "1")});
    EXPECT_EQ(store.prune(item::addDays(monday, -90), error), 1) << error;
    const std::vector<RunInfo> runs = store.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].id, recent);
    EXPECT_TRUE(store.rows(1).empty());
}

TEST_F(HistoryTest, ConcurrentWritersAllLand) {
    constexpr int kWriters = 4;
    constexpr int kRunsEach = 15;
    std::vector<table::ItemRecord> rows;
    for (int i = 0; i < 2000; ++i) rows.push_back(item(std::to_string(i), "2014年7月1日", "1"));
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            // Each writer its own connection, as a second program instance would have.
            HistoryStore store(historyFile(dir));
            std::string error;
            if (!store.open(error)) {
                ++failures;
                return;
            }
            for (int r = 0; r < kRunsEach; ++r) {
                if (store.record(runOf("keyword", "w" + std::to_string(w), monday), rows, error) == 0)
                    ++failures;
            }
        });
    }
    for (std::thread& t : writers) t.join();
    EXPECT_EQ(failures.load(), 0);
    HistoryStore store(historyFile(dir));
    std::string error;
    ASSERT_TRUE(store.openExisting(error)) << error;
    const std::vector<RunInfo> runs = store.runs();
    ASSERT_EQ(runs.size(), static_cast<std::size_t>(kWriters * kRunsEach));
    for (const RunInfo& run : runs) EXPECT_EQ(store.rows(run.id).size(), rows.size()) << run.id;
}

TEST_F(HistoryTest, BestHoursOnAHandMadeGridWithTies) {
    report::SlotGrid grid;
    grid.today = item::fromCivil(2014, 7, 28);
    for (auto& day : grid.counts) {
        for (int& count : day) count = 9;
    }
    grid.counts[3][2] = 0;   // fewest of all, but 02:00 is outside the prime hours
    grid.counts[2][15] = 1;  // ties with the two below: earlier in the week wins
    grid.counts[5][10] = 1;
    grid.counts[2][20] = 1;
    grid.counts[0][23] = 2;  // 23:00 is a prime hour
    grid.counts[6][9] = 3;
    const std::vector<BestHour> best = bestHours(grid, PrimeHours{9, 23}, 6);
    EXPECT_EQ(best,
              (std::vector<BestHour>{{2, 15, 1}, {2, 20, 1}, {5, 10, 1}, {0, 23, 2}, {6, 9, 3}, {0, 9, 9}}));
    EXPECT_EQ(bestHours(grid, PrimeHours{0, 23}, 1), (std::vector<BestHour>{{3, 2, 0}}));
    EXPECT_EQ(bestHours(grid, PrimeHours{9, 23}, 500).size(), 7u * 15u);

    report::Report page;
    attachBestHours(page, grid, bestHours(grid, PrimeHours{9, 23}, 1));
    EXPECT_EQ(text::gbkToUtf8(page.bestText),
              R"([{"day":2,"hour":15,"count":1,"date":"2014-7-30","weekday":"星期三"}])");
}

TEST_F(HistoryTest, PrimeHoursSetting) {
    struct Case {
        const char* text;
        bool ok;
        int first;
        int last;
    };
    const Case cases[] = {
        {"9-23", true, 9, 23}, {" 8 - 22 ", true, 8, 22}, {"0-0", true, 0, 0},   {"23-9", false, 0, 0},
        {"9-24", false, 0, 0}, {"9", false, 0, 0},        {"-1-5", false, 0, 0}, {"a-b", false, 0, 0},
    };
    for (const Case& c : cases) {
        PrimeHours prime;
        EXPECT_EQ(parsePrimeHours(c.text, prime), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(prime.first, c.first) << c.text;
            EXPECT_EQ(prime.last, c.last) << c.text;
        }
    }
    EXPECT_EQ(primeHoursSetting(dir).first, 9);
    std::ofstream(dir / "configs.ini") << "[analysis]\r\nprimeHours=10-20\r\n";
    EXPECT_EQ(primeHoursSetting(dir).last, 20);
}

}  // namespace
}  // namespace shelfwatch::history

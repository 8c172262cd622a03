#include "report/listing_stats.h"

#include "table/result_table.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace shelfwatch::report {
namespace {

using item::fromCivil;

std::string g(const char* utf8) { return text::gbk(utf8); }

TEST(ListingStatsSql, TextsAreTheFixedOnes) {
    EXPECT_EQ(ListingStats::createTableSql(),
              "CREATE TABLE \"sp\" (\r\n\"id\"  INTEGER PRIMARY KEY AUTOINCREMENT,\r\n\"title\"  TEXT,\r\n"
              "\"stime\"  INTEGER,\r\n\"etime\"  INTEGER\r\n);");
    EXPECT_EQ(ListingStats::insertSql("A'", g("2014年7月25日8时"), ""),
              "INSERT INTO `sp` (`title`, `stime`, `etime`) VALUES ('%41%27', '1406246400', '" +
                  text::fromInt(item::dateTimeToSeconds(unreadableDateTime())) + "');");
    EXPECT_EQ(ListingStats::purgeSql(fromCivil(2014, 7, 25, 9, 0, 0)),
              "delete from `sp` where etime <= 1406246400;");
    EXPECT_EQ(ListingStats::countSlotSql(fromCivil(2014, 7, 25, 8, 0, 0)),
              "select id from `sp` where `etime` between 1406246400 and 1406249999;");
}

struct TextCase {
    const char* text;  // UTF-8, converted to GBK
    item::CivilTime expected;
    bool readable;
};

TEST(DateTimeFromText, ReadsTheTableAndWorkbookForms) {
    const TextCase cases[] = {
        {"2014年7月25日15时30分20秒", {2014, 7, 25, 15, 30, 20}, true},
        {"2014年7月25日15时30分", {2014, 7, 25, 15, 30, 0}, true},
        {"2014年7月25日8时", {2014, 7, 25, 8, 0, 0}, true},
        {"2014年7月25日", {2014, 7, 25, 0, 0, 0}, true},
        {"2014年7月25日0时5分", {2014, 7, 25, 0, 5, 0}, true},
        {"2014年7月25日15时20秒", {2014, 7, 25, 15, 0, 20}, true},
        {" 2014年7月25日 15时 ", {2014, 7, 25, 15, 0, 0}, true},
        {"2014-07-25 15:30:20", {2014, 7, 25, 15, 30, 20}, true},
        {"2014/7/25 15:30", {2014, 7, 25, 15, 30, 0}, true},
        {"2014-07-25T15:30:20.000", {2014, 7, 25, 15, 30, 20}, true},
        {"2014-07-25", {2014, 7, 25, 0, 0, 0}, true},
        {"41845.6461", {2014, 7, 25, 15, 30, 23}, true},
        {"41845", {2014, 7, 25, 0, 0, 0}, true},
        {"", {}, false},
        {"结束日期a", {}, false},
        {"2014年13月25日", {}, false},
        {"2014年2月30日", {}, false},
        {"2014年7月25日25时", {}, false},
        {"2014年7月25日15分8时", {}, false},
        {"2014-07-25 15", {}, false},
        {"2014-07/25", {}, false},
        {"-3", {}, false},
        {"1e400", {}, false},
        {"12345678901234567890年1月1日", {}, false},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        item::DateTime got = dateTimeFromText(g(c.text));
        if (c.readable) {
            EXPECT_EQ(item::toCivil(got), c.expected);
        } else {
            EXPECT_EQ(got, unreadableDateTime());
        }
    }
    EXPECT_EQ(item::toCivil(unreadableDateTime()), (item::CivilTime{100, 1, 1, 0, 0, 0}));
}

TEST(DateTimeFromText, ReadsBackEveryTextTheTableWrites) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int64_t> seconds(0, 20LL * 365 * 86400);
    for (int i = 0; i < 2000; ++i) {
        item::DateTime dt = item::addSeconds(fromCivil(2005, 1, 1), seconds(random));
        ASSERT_EQ(item::dateTimeToSeconds(dateTimeFromText(item::dateTimeText(dt))),
                  item::dateTimeToSeconds(dt))
            << text::gbkToUtf8(item::dateTimeText(dt));
    }
}

TEST(WeekdayName, NamesEveryDay) {
    const char* names[] = {"星期五", "星期六", "星期日", "星期一", "星期二", "星期三", "星期四"};
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(weekdayName(item::addDays(fromCivil(2014, 7, 25), d)), g(names[d]));
    }
}

class SlotGridTest : public ::testing::Test {
  protected:
    // 2014-07-25 is a Friday; "now" is 10:00 on it.
    item::FixedClock clock{fromCivil(2014, 7, 25, 10, 0, 0)};
    ListingStats stats;

    void SetUp() override { ASSERT_TRUE(stats.open()); }
    void end(item::DateTime at, const std::string& title = "t") {
        stats.addListing(title, "", item::dateTimeText(at));
    }
    SlotGrid grid(SlotCounting counting = SlotCounting::Grouped) {
        return computeSlotGrid(stats, clock, counting);
    }
    static int total(const SlotGrid& g) {
        int n = 0;
        for (int d = 0; d < kSlotDays; ++d) n += g.dayTotal(d);
        return n;
    }
};

TEST_F(SlotGridTest, EmptyTableCountsNothing) {
    for (SlotCounting counting : {SlotCounting::Grouped, SlotCounting::PerSlot}) {
        SlotGrid g = grid(counting);
        EXPECT_EQ(g.today, fromCivil(2014, 7, 25));
        EXPECT_EQ(total(g), 0);
    }
}

TEST_F(SlotGridTest, SlotEndsAreInclusiveAndTheNextHourStartsTheNextSlot) {
    const item::DateTime slot = fromCivil(2014, 7, 25, 14, 0, 0);
    end(slot);
    end(item::addSeconds(slot, 3599));
    end(item::addSeconds(slot, 3600));
    end(fromCivil(2014, 7, 25, 14, 20, 0));
    for (SlotCounting counting : {SlotCounting::Grouped, SlotCounting::PerSlot}) {
        SlotGrid g = grid(counting);
        EXPECT_EQ(g.counts[0][14], 3);
        EXPECT_EQ(g.counts[0][15], 1);
        EXPECT_EQ(total(g), 4);
    }
}

TEST_F(SlotGridTest, PurgeKeepsWhatEndedWithinTheLastHour) {
    end(fromCivil(2014, 7, 25, 9, 1, 0));   // 59 minutes ago: stays, counted at 9h
    end(fromCivil(2014, 7, 25, 9, 0, 0));   // exactly one hour ago: removed
    end(fromCivil(2014, 7, 25, 3, 0, 0));   // earlier today: removed
    end(fromCivil(2014, 7, 24, 23, 0, 0));  // yesterday: removed
    stats.addListing("bad", "", "");        // unreadable end: removed
    stats.purgeEnded(clock.now());
    EXPECT_EQ(stats.rowCount(), 1);
    SlotGrid g = grid();
    EXPECT_EQ(g.counts[0][9], 1);
    EXPECT_EQ(total(g), 1);
}

TEST_F(SlotGridTest, SeventhDayCountsAndTheEighthDoesNot) {
    end(fromCivil(2014, 7, 31, 23, 30, 0));
    end(fromCivil(2014, 7, 31, 23, 59, 59));
    end(fromCivil(2014, 8, 1, 0, 0, 0));
    end(fromCivil(2014, 8, 3, 12, 0, 0));
    for (SlotCounting counting : {SlotCounting::Grouped, SlotCounting::PerSlot}) {
        SlotGrid g = grid(counting);
        EXPECT_EQ(g.counts[6][23], 2);
        EXPECT_EQ(total(g), 2);
    }
}

TEST_F(SlotGridTest, DuplicatesAndAwkwardTitlesCountEveryRow) {
    const std::string awkward = g("店主's \"宝贝\"; DROP TABLE sp; --");
    end(fromCivil(2014, 7, 26, 8, 0, 0), awkward);
    end(fromCivil(2014, 7, 26, 8, 0, 0), awkward);
    end(fromCivil(2014, 7, 26, 8, 30, 0), "'");
    EXPECT_EQ(stats.rowCount(), 3);
    EXPECT_EQ(grid().counts[1][8], 3);
}

TEST_F(SlotGridTest, LoadsTheResultTableColumns) {
    table::ResultTable table;
    for (int i = 0; i < 5; ++i) {
        table::ItemRecord record;
        record.title = "item" + std::to_string(i);
        record.startTime = item::dateTimeText(fromCivil(2014, 7, 20));
        record.endTime = item::dateTimeText(fromCivil(2014, 7, 25 + i, 12, 0, 0));
        table.appendRecord(record);
    }
    table.appendRow();  // a row whose fetch failed: no dates
    stats.loadFromResultTable(table);
    EXPECT_EQ(stats.rowCount(), 6);
    SlotGrid g = grid();
    for (int d = 0; d < 5; ++d) EXPECT_EQ(g.counts[d][12], 1) << d;
    EXPECT_EQ(total(g), 5);
}

TEST_F(SlotGridTest, BulkLoadStoresWhatSingleInsertsStore) {
    ListingStats single;
    ASSERT_TRUE(single.open());
    std::vector<ListingTexts> listings;
    for (int i = 0; i < 300; ++i) {
        item::DateTime at = item::addSeconds(fromCivil(2014, 7, 25, 9, 0, 0), i * 1877);
        listings.push_back({"t" + std::to_string(i), "", item::dateTimeText(at)});
        single.addListing(listings.back().title, listings.back().start, listings.back().end);
    }
    stats.addListings(listings);
    SlotGrid a = computeSlotGrid(single, clock, SlotCounting::PerSlot);
    SlotGrid b = grid(SlotCounting::PerSlot);
    EXPECT_EQ(std::memcmp(a.counts, b.counts, sizeof a.counts), 0);
    EXPECT_GT(total(a), 200);
}

TEST_F(SlotGridTest, GroupedCountsEqualTheLiteralSlotQueries) {
    std::mt19937 random(42);
    // Ends spread over nine days around the window, many on slot edges.
    std::uniform_int_distribution<std::int64_t> offset(-86400, 8 * 86400);
    std::uniform_int_distribution<int> edge(0, 3);
    std::vector<ListingTexts> listings;
    for (int i = 0; i < 20000; ++i) {
        std::int64_t s = offset(random);
        if (edge(random) == 0) s = s / 3600 * 3600 + (edge(random) == 0 ? -1 : 0);
        listings.push_back({"x", "", item::dateTimeText(item::addSeconds(fromCivil(2014, 7, 25), s))});
    }
    stats.addListings(listings);
    SlotGrid literal = grid(SlotCounting::PerSlot);
    SlotGrid grouped = grid(SlotCounting::Grouped);
    for (int d = 0; d < kSlotDays; ++d)
        for (int h = 0; h < kSlotHours; ++h)
            EXPECT_EQ(grouped.counts[d][h], literal.counts[d][h]) << d << " " << h;
    EXPECT_GT(total(literal), 10000);
}

TEST(ListingStats, ClosedStatisticsCountNothing) {
    ListingStats stats;
    stats.addListing("t", "", "2014-07-25 12:00:00");
    EXPECT_EQ(stats.countSlot(fromCivil(2014, 7, 25, 12, 0, 0)), 0);
    ASSERT_TRUE(stats.open());
    stats.addListing("t", "", "2014-07-25 12:00:00");
    EXPECT_EQ(stats.countSlot(fromCivil(2014, 7, 25, 12, 0, 0)), 1);
    stats.close();
    EXPECT_FALSE(stats.isOpen());
    EXPECT_EQ(stats.rowCount(), 0);
}

}  // namespace
}  // namespace shelfwatch::report

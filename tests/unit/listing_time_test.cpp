#include "item/listing_time.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace item = shelfwatch::item;
namespace text = shelfwatch::text;

namespace {

item::CivilTime civil(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return item::CivilTime{y, mo, d, h, mi, s};
}

TEST(ListingTime, CivilRoundTrip) {
    const item::CivilTime cases[] = {
        civil(1899, 12, 30),
        civil(1970, 1, 1, 8),
        civil(2014, 7, 25, 15, 30, 20),
        civil(2000, 2, 29, 23, 59, 59),
        civil(1900, 3, 1),
        civil(100, 1, 1),
        civil(100, 3, 1, 12, 0, 1),
        civil(1, 1, 1),
        civil(1600, 2, 29),
        civil(1899, 12, 29, 18),
        civil(2038, 1, 19, 11, 14, 8),
        civil(9999, 12, 31, 23, 59, 59),
        civil(20000, 6, 15, 6, 30),
    };
    for (const item::CivilTime& c : cases) {
        EXPECT_EQ(item::toCivil(item::fromCivil(c)), c) << c.year << "-" << c.month << "-" << c.day;
    }
    // The day count is linear, also before 1899-12-30.
    EXPECT_DOUBLE_EQ(item::fromCivil(1899, 12, 30).days, 0.0);
    EXPECT_DOUBLE_EQ(item::fromCivil(1899, 12, 31).days, 1.0);
    EXPECT_DOUBLE_EQ(item::fromCivil(1899, 12, 29, 18).days, -0.25);
    EXPECT_DOUBLE_EQ(item::fromCivil(1970, 1, 1).days, 25569.0);
    // 1900 was not a leap year: 1900-03-01 is day 61.
    EXPECT_DOUBLE_EQ(item::fromCivil(1900, 3, 1).days, 61.0);
}

TEST(ListingTime, FieldsRollOver) {
    EXPECT_EQ(item::toCivil(item::fromCivil(2014, 13, 1)), civil(2015, 1, 1));
    EXPECT_EQ(item::toCivil(item::fromCivil(2014, 0, 1)), civil(2013, 12, 1));
    EXPECT_EQ(item::toCivil(item::fromCivil(2014, 2, 29)), civil(2014, 3, 1));
    EXPECT_EQ(item::toCivil(item::fromCivil(2014, 7, 25, 24, 0, 61)), civil(2014, 7, 26, 0, 1, 1));
    EXPECT_EQ(item::toCivil(item::fromCivil(2014, 7, 1, 0, 0, -1)), civil(2014, 6, 30, 23, 59, 59));
}

TEST(ListingTime, ToCivilRoundsToNearestSecond) {
    const double base = item::fromCivil(2014, 7, 25, 15, 30, 20).days;
    EXPECT_EQ(item::toCivil(item::DateTime{base + 0.4 / 86400}), civil(2014, 7, 25, 15, 30, 20));
    EXPECT_EQ(item::toCivil(item::DateTime{base + 0.6 / 86400}), civil(2014, 7, 25, 15, 30, 21));
    EXPECT_EQ(item::toCivil(item::DateTime{base - 1e-9}), civil(2014, 7, 25, 15, 30, 20));
}

TEST(ListingTime, MillisecondsToDateTime) {
    struct Case {
        std::int64_t ms;
        item::CivilTime expected;
    };
    const Case cases[] = {
        {0, civil(1970, 1, 1, 8)},
        {1406246400999LL, civil(2014, 7, 25, 8)},  // milliseconds dropped, not rounded
        {1406246400000LL, civil(2014, 7, 25, 8)},
        {-1000, civil(1970, 1, 1, 7, 59, 59)},
        {-999, civil(1970, 1, 1, 8)},  // truncation toward zero
        {2147483647000LL, civil(2038, 1, 19, 11, 14, 7)},
        // Past the 32-bit second count: stays right instead of wrapping to 1901.
        {2147483648000LL, civil(2038, 1, 19, 11, 14, 8)},
        {4102444800000LL, civil(2100, 1, 1, 8)},
    };
    for (const Case& c : cases) EXPECT_EQ(item::toCivil(item::msToDateTime(c.ms)), c.expected) << c.ms;
}

TEST(ListingTime, DateTimeToSeconds) {
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(1970, 1, 1, 8)), 0);
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(2014, 7, 25, 8)), 1406246400LL);
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(2014, 7, 25, 15, 30, 20)), 1406273420LL);
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(1970, 1, 1, 7, 59, 59)), -1);
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(1970, 1, 1)), -28800);
    EXPECT_EQ(item::dateTimeToSeconds(item::fromCivil(2100, 1, 1, 8)), 4102444800LL);
    // Every whole second of a day survives the trip through fractional days.
    const item::DateTime day = item::fromCivil(2014, 7, 25);
    const std::int64_t base = item::dateTimeToSeconds(day);
    for (int s = 0; s < 86400; s += 7) {
        ASSERT_EQ(item::dateTimeToSeconds(item::addSeconds(day, s)), base + s) << s;
    }
    for (std::int64_t ms : {0LL, 1406246400999LL, 1700000000123LL, 4102444800000LL, -86400000LL}) {
        EXPECT_EQ(item::dateTimeToSeconds(item::msToDateTime(ms)), ms / 1000) << ms;
    }
}

TEST(ListingTime, WholeMinutesBetween) {
    const item::DateTime earlier = item::fromCivil(2014, 7, 25, 15, 30, 20);
    struct Case {
        std::int64_t seconds;
        int minutes;
    };
    const Case cases[] = {{0, 0},      {59, 0},   {60, 1},   {61, 1},    {119, 1},
                          {-59, 0},    {-60, -1}, {-61, -1}, {3600, 60}, {86400 * 7, 10080},
                          {-3599, -59}};
    for (const Case& c : cases) {
        EXPECT_EQ(item::wholeMinutesBetween(item::addSeconds(earlier, c.seconds), earlier), c.minutes)
            << c.seconds;
    }
    // Minute boundaries across a whole day, with values built independently.
    for (int m = 0; m < 1440; m += 13) {
        const item::DateTime later = item::fromCivil(2014, 7, 25, 15, 30 + m, 20);
        ASSERT_EQ(item::wholeMinutesBetween(later, earlier), m) << m;
    }
}

TEST(ListingTime, DateTimeText) {
    struct Case {
        item::CivilTime at;
        const char* utf8;
    };
    const Case cases[] = {
        {civil(2014, 7, 25, 15, 30, 20), "2014年7月25日15时30分20秒"},
        {civil(2014, 7, 25, 8), "2014年7月25日8时"},
        {civil(2014, 7, 25, 10, 30), "2014年7月25日10时30分"},
        {civil(2014, 7, 25), "2014年7月25日"},
        {civil(2014, 7, 25, 0, 0, 5), "2014年7月25日0时0分5秒"},
        {civil(2014, 7, 25, 0, 5), "2014年7月25日0时5分"},
        {civil(2014, 12, 1, 23, 0, 1), "2014年12月1日23时0分1秒"},
        {civil(1899, 12, 30), "1899年12月30日"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(item::dateTimeText(item::fromCivil(c.at)), text::gbk(c.utf8)) << c.utf8;
    }
}

TEST(ListingTime, WeekdayAndDateOnly) {
    struct Case {
        item::CivilTime at;
        int weekday;
    };
    const Case cases[] = {{civil(2014, 7, 25, 15), 5}, {civil(1899, 12, 30), 6},
                          {civil(1970, 1, 1), 4},      {civil(2024, 2, 29, 23, 59, 59), 4},
                          {civil(2000, 1, 2), 0},      {civil(1899, 12, 29, 12), 5},
                          {civil(100, 3, 1), 1}};
    for (const Case& c : cases) EXPECT_EQ(item::weekday(item::fromCivil(c.at)), c.weekday) << c.at.year;

    EXPECT_EQ(item::dateOnly(item::fromCivil(2014, 7, 25, 15, 30, 20)), item::fromCivil(2014, 7, 25));
    EXPECT_EQ(item::dateOnly(item::fromCivil(1899, 12, 29, 18)), item::fromCivil(1899, 12, 29));
    EXPECT_EQ(item::toCivil(item::addDays(item::fromCivil(2014, 7, 25, 8), 7)), civil(2014, 8, 1, 8));
}

TEST(ListingTime, ParseIsoDateTime) {
    item::DateTime dt;
    ASSERT_TRUE(item::parseIsoDateTime("2014-07-25 15:30:20", dt));
    EXPECT_EQ(item::toCivil(dt), civil(2014, 7, 25, 15, 30, 20));
    ASSERT_TRUE(item::parseIsoDateTime("2014-07-25", dt));
    EXPECT_EQ(item::toCivil(dt), civil(2014, 7, 25));
    ASSERT_TRUE(item::parseIsoDateTime("2014-07-25T08:00", dt));
    EXPECT_EQ(item::toCivil(dt), civil(2014, 7, 25, 8));
    for (const char* bad : {"", "2014-7-25", "2014-02-30", "2014-13-01", "2014-07-25 24:00:00",
                            "2014-07-25 15:30:60", "2014-07-25 15:30:20x", "garbage", "2014-07-25 "}) {
        item::DateTime untouched{123.0};
        EXPECT_FALSE(item::parseIsoDateTime(bad, untouched)) << bad;
        EXPECT_EQ(untouched.days, 123.0) << bad;
    }
}

TEST(ListingTime, ChinaClockIgnoresTimeZone) {
#ifdef _WIN32
    GTEST_SKIP() << "switches TZ through POSIX calls";
#else
    // now() is China wall-clock time, so its offset from the program's epoch
    // (1970-01-01 08:00) is the Unix time, whatever zone the process runs in.
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    const item::ChinaSystemClock clock;
    item::DateTime seen[3];
    const char* zones[] = {"UTC", "America/New_York", "Asia/Shanghai"};
    const std::time_t before = std::time(nullptr);
    for (int i = 0; i < 3; ++i) {
        setenv("TZ", zones[i], 1);
        tzset();
        seen[i] = clock.now();
    }
    const std::time_t after = std::time(nullptr);
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    for (const item::DateTime& now : seen) {
        const std::int64_t s = item::dateTimeToSeconds(now);  // Unix seconds
        EXPECT_GE(s, before);
        EXPECT_LE(s, after);
    }

#endif
}

TEST(ListingTime, FixedClock) {
    item::FixedClock fixed(item::fromCivil(2014, 7, 25, 8));
    EXPECT_EQ(fixed.now(), item::fromCivil(2014, 7, 25, 8));
    fixed.set(item::fromCivil(2020, 1, 1));
    EXPECT_EQ(fixed.now(), item::fromCivil(2020, 1, 1));
}

}  // namespace

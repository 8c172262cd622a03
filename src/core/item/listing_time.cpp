#include "item/listing_time.h"

#include "text/gbk_text.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace shelfwatch::item {

namespace {

// 1970-01-01 is day 25569 after 1899-12-30; the program's epoch is 08:00 of it.
constexpr std::int64_t kEpochDay = 25569;
constexpr std::int64_t kEpochSeconds = kEpochDay * 86400 + 8 * 3600;
constexpr double kIntervalEpsilon = 5.787037037037037e-6;

// The epsilon absorbs the rounding error of a whole-second interval held in
// fractional days before truncation. It is applied away from zero, so an
// interval just short of -1 in float is still -1 and not 0 (one second before
// the epoch is -1 second); non-negative intervals are unaffected.
std::int64_t truncateInterval(double units) {
    return text::truncateToInt64(units + (units < 0 ? -kIntervalEpsilon : kIntervalEpsilon));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm),
// valid for any year, including those before 1 and far after 9999.
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// The whole second nearest to a date-time, counted from 1899-12-30 00:00:00.
std::int64_t roundedSeconds(DateTime dt) {
    const double s = std::round(dt.days * kSecondsPerDay);
    return text::truncateToInt64(s);
}

DateTime fromSeconds(std::int64_t seconds) { return DateTime{static_cast<double>(seconds) / kSecondsPerDay}; }

constexpr std::int64_t kUnixDayOffset = kEpochDay;  // day 0 of daysFromCivil is day 25569 here

bool readNumber(const std::string& text, std::size_t& pos, int digits, int& out) {
    if (pos + static_cast<std::size_t>(digits) > text.size()) return false;
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[pos + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    pos += static_cast<std::size_t>(digits);
    out = value;
    return true;
}

bool expect(const std::string& text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

DateTime fromCivil(const CivilTime& civil) {
    std::int64_t year = civil.year;
    std::int64_t month0 = static_cast<std::int64_t>(civil.month) - 1;
    year += floorDiv(month0, 12);
    month0 -= floorDiv(month0, 12) * 12;
    // The day may be out of range too: a linear day count absorbs it.
    const std::int64_t day = daysFromCivil(year, month0 + 1, 1) + kUnixDayOffset + civil.day - 1;
    const std::int64_t seconds = day * 86400 + static_cast<std::int64_t>(civil.hour) * 3600 +
                                 static_cast<std::int64_t>(civil.minute) * 60 + civil.second;
    return fromSeconds(seconds);
}

DateTime fromCivil(int year, int month, int day, int hour, int minute, int second) {
    return fromCivil(CivilTime{year, month, day, hour, minute, second});
}

CivilTime toCivil(DateTime dt) {
    const std::int64_t seconds = roundedSeconds(dt);
    const std::int64_t day = floorDiv(seconds, 86400);
    const std::int64_t secondOfDay = seconds - day * 86400;
    std::int64_t year = 0;
    CivilTime out;
    civilFromDays(day - kUnixDayOffset, year, out.month, out.day);
    out.year = year > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
               : year < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                        : static_cast<int>(year);
    out.hour = static_cast<int>(secondOfDay / 3600);
    out.minute = static_cast<int>(secondOfDay / 60 % 60);
    out.second = static_cast<int>(secondOfDay % 60);
    return out;
}

DateTime addSeconds(DateTime dt, std::int64_t seconds) { return fromSeconds(roundedSeconds(dt) + seconds); }

DateTime addDays(DateTime dt, int days) { return DateTime{dt.days + days}; }

DateTime dateOnly(DateTime dt) { return fromSeconds(floorDiv(roundedSeconds(dt), 86400) * 86400); }

DateTime msToDateTime(std::int64_t ms) {
    // Integer division truncates toward zero, as the fractional form would, and
    // keeps every bit: a 32-bit second count would wrap in 2038.
    return fromSeconds(kEpochSeconds + ms / 1000);
}

std::int64_t dateTimeToSeconds(DateTime dt) {
    const double d = dt.days - static_cast<double>(kEpochSeconds) / kSecondsPerDay;
    return truncateInterval(d * kSecondsPerDay);
}

std::int32_t wholeMinutesBetween(DateTime later, DateTime earlier) {
    if (later == earlier) return 0;
    const double d = later.days - earlier.days;
    const std::int64_t minutes = truncateInterval(d * 1440.0);
    if (minutes > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (minutes < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(minutes);
}

std::string dateTimeText(DateTime dt) {
    static const std::string kYear = text::gbk("年");
    static const std::string kMonth = text::gbk("月");
    static const std::string kDay = text::gbk("日");
    static const std::string kHour = text::gbk("时");
    static const std::string kMinute = text::gbk("分");
    static const std::string kSecond = text::gbk("秒");
    const CivilTime c = toCivil(dt);
    std::string out =
        std::to_string(c.year) + kYear + std::to_string(c.month) + kMonth + std::to_string(c.day) + kDay;
    if (c.second != 0) {
        out += std::to_string(c.hour) + kHour + std::to_string(c.minute) + kMinute +
               std::to_string(c.second) + kSecond;
    } else if (c.minute != 0) {
        out += std::to_string(c.hour) + kHour + std::to_string(c.minute) + kMinute;
    } else if (c.hour != 0) {
        out += std::to_string(c.hour) + kHour;
    }
    return out;
}

int weekday(DateTime dt) {
    // 1899-12-30 was a Saturday.
    const std::int64_t day = floorDiv(roundedSeconds(dt), 86400);
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

bool parseIsoDateTime(const std::string& text, DateTime& out) {
    std::size_t pos = 0;
    CivilTime c;
    c.hour = c.minute = c.second = 0;
    if (!readNumber(text, pos, 4, c.year) || !expect(text, pos, '-') || !readNumber(text, pos, 2, c.month) ||
        !expect(text, pos, '-') || !readNumber(text, pos, 2, c.day)) {
        return false;
    }
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T') return false;
        ++pos;
        if (!readNumber(text, pos, 2, c.hour) || !expect(text, pos, ':') ||
            !readNumber(text, pos, 2, c.minute)) {
            return false;
        }
        if (pos < text.size() && (!expect(text, pos, ':') || !readNumber(text, pos, 2, c.second)))
            return false;
        if (pos != text.size()) return false;
    }
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.day > daysInMonth(c.year, c.month) || c.hour > 23 ||
        c.minute > 59 || c.second > 59) {
        return false;
    }
    out = fromCivil(c);
    return true;
}

DateTime ChinaSystemClock::now() const {
    using namespace std::chrono;
    // UTC plus eight hours, read without the machine's zone: every listing time
    // the marketplace states is China wall-clock time.
    const auto unixSeconds = floor<seconds>(system_clock::now()).time_since_epoch().count();
    return msToDateTime(static_cast<std::int64_t>(unixSeconds) * 1000);
}

}  // namespace shelfwatch::item

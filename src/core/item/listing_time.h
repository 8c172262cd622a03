// Listing-time arithmetic: the program's date-time value (fractional days since
// 1899-12-30 00:00:00, a China wall-clock time without zone), its conversions to
// and from Unix milliseconds and seconds with the fixed epoch 1970-01-01 08:00:00,
// the whole-minute interval, the calendar, the date-time text form shown in every
// table cell, and the clock seam through which "now" is read. Pure and thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace shelfwatch::item {

struct DateTime {
    double days = 0.0;  // since 1899-12-30 00:00:00

    friend bool operator==(DateTime a, DateTime b) = default;
};

struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

inline constexpr double kSecondsPerDay = 86400.0;

// Calendar (proleptic Gregorian) to date-time and back; fields out of range roll
// over (month 13 is January of the next year). toCivil rounds to the nearest second.
DateTime fromCivil(const CivilTime& civil);
DateTime fromCivil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
CivilTime toCivil(DateTime dt);

DateTime addSeconds(DateTime dt, std::int64_t seconds);
DateTime addDays(DateTime dt, int days);
// Midnight of the date-time's day.
DateTime dateOnly(DateTime dt);

// The epoch plus the whole seconds of `ms` (milliseconds truncated toward zero).
// The full 64-bit second count is kept, so dates after 2038 stay right.
DateTime msToDateTime(std::int64_t ms);
// (dt - epoch) * 86400 with the 5.787037037037037e-6 allowance (away from zero),
// truncated toward zero.
std::int64_t dateTimeToSeconds(DateTime dt);
// (later - earlier) * 1440 with the same allowance, truncated toward zero; 0 when
// equal. 59 s -> 0, 60 s -> 1, -59 s -> 0, -60 s -> -1.
std::int32_t wholeMinutesBetween(DateTime later, DateTime earlier);

// "%d年%d月%d日" then the shortest of "%d时%d分%d秒", "%d时%d分", "%d时" that keeps
// the non-zero fields (GBK). 2014-07-25 15:30:20 -> 2014年7月25日15时30分20秒.
std::string dateTimeText(DateTime dt);
// 0 = Sunday ... 6 = Saturday.
int weekday(DateTime dt);

// "YYYY-MM-DD HH:MM:SS" (also "YYYY-MM-DD"), for --now and tests; false when unreadable.
bool parseIsoDateTime(const std::string& text, DateTime& out);

// Where "now" comes from. Every listing time is a China wall-clock time, so the
// system clock is read as UTC+8 whatever the machine's zone. Tests pin it.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;  // China wall-clock time, to the second
};

class ChinaSystemClock final : public Clock {
  public:
    DateTime now() const override;
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(DateTime now) : m_days(now.days) {}
    DateTime now() const override { return DateTime{m_days.load()}; }
    void set(DateTime now) { m_days.store(now.days); }

  private:
    std::atomic<double> m_days;
};

}  // namespace shelfwatch::item

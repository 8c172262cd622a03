// Delisting-time statistics: how many known listings end in each hour of the seven
// days that begin today at 00:00 (China wall-clock time). Each run fills its own
// private in-memory SQLite database (table `sp`), purges what ended an hour ago or
// earlier, counts the 7 x 24 slots and closes it again; nothing survives a run.
// A ListingStats object belongs to one thread; separate objects are independent.
#pragma once

#include "item/listing_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace shelfwatch::table {
class ResultTable;
}

namespace shelfwatch::report {

inline constexpr int kSlotDays = 7;
inline constexpr int kSlotHours = 24;

// The date-time every unreadable text becomes: far enough in the past that the
// purge always removes it.
item::DateTime unreadableDateTime();

// Reads a date-time back from a cell text (GBK): the table's own form
// ("2014年7月25日15时30分20秒", time parts optional), the usual workbook forms
// ("2014-07-25 15:30:20", "2014/7/25 15:30", "2014-07-25T15:30:20") and a
// spreadsheet serial number ("41845.6461", days since 1899-12-30). Anything else,
// or a field out of range, gives unreadableDateTime().
item::DateTime dateTimeFromText(std::string_view text);

// "星期日" ... "星期六" (GBK) by the day of the week of `date`.
std::string weekdayName(item::DateTime date);

// One listing as the statistics read it: title and the two date-time texts.
struct ListingTexts {
    std::string title;
    std::string start;
    std::string end;
};

class ListingStats {
  public:
    ListingStats();
    ~ListingStats();
    ListingStats(const ListingStats&) = delete;
    ListingStats& operator=(const ListingStats&) = delete;

    // Opens the private database and creates `sp`; false when it cannot be opened.
    bool open();
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // One INSERT statement per listing, as text; its outcome is not tested.
    void addListing(std::string_view title, std::string_view startText, std::string_view endText);
    // Many listings in one transaction through a prepared statement: the rows
    // stored are the ones addListing would store, only without re-parsing SQL
    // per row (a million rows load in a fraction of the time).
    void addListings(const std::vector<ListingTexts>& listings);
    // Rows of the table in order: title, start and end cells.
    void loadFromResultTable(const table::ResultTable& table);

    // Removes listings that ended one hour before `now` or earlier.
    void purgeEnded(item::DateTime now);

    // Listings ending within [ts(slotStart), ts(slotStart) + 3599], by one
    // range query over the whole table.
    int countSlot(item::DateTime slotStart);

    // Rows currently in `sp` (0 when closed).
    std::int64_t rowCount();

    // The SQL texts the operations run, for the record and the tests.
    static const std::string& createTableSql();
    static std::string insertSql(std::string_view title, std::string_view startText,
                                 std::string_view endText);
    static std::string purgeSql(item::DateTime now);
    static std::string countSlotSql(item::DateTime slotStart);

    // Every slot of the seven days from `today` in one range query; the
    // counts equal those of the 168 countSlot calls (when the slot starts are not
    // evenly spaced, which plain-duration arithmetic never gives, it falls back
    // to those calls).
    void countGrid(item::DateTime today, int (&counts)[kSlotDays][kSlotHours]);

  private:
    sqlite3* m_db = nullptr;
};

// The 7 x 24 counts and the day they start on.
struct SlotGrid {
    item::DateTime today;  // 00:00 of the first day
    int counts[kSlotDays][kSlotHours] = {};

    int dayTotal(int day) const;
};

// Start of slot (day, hour) from `today`, as plain durations of 24 h and 1 h.
item::DateTime slotStart(item::DateTime today, int day, int hour);

enum class SlotCounting {
    Grouped,  // one range query over the seven days (same counts as PerSlot)
    PerSlot,  // the 168 countSlot queries
};

// Purges with now = clock.now(), takes today = the China date of now at 00:00 and
// counts every slot. `stats` must be open; it stays open.
SlotGrid computeSlotGrid(ListingStats& stats, const item::Clock& clock,
                         SlotCounting counting = SlotCounting::Grouped);

}  // namespace shelfwatch::report

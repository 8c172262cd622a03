#include "report/listing_stats.h"

#include "table/result_table.h"
#include "text/gbk_text.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace shelfwatch::report {
namespace {

constexpr std::int64_t kSlotSeconds = 3600;
constexpr std::int64_t kGridSeconds = kSlotSeconds * kSlotDays * kSlotHours;

std::int64_t ts(item::DateTime dt) { return item::dateTimeToSeconds(dt); }

// A tiny cursor over the text; every reader below either consumes a whole form
// or reports failure.
struct Cursor {
    std::string_view s;
    size_t pos = 0;

    bool atEnd() const { return pos >= s.size(); }
    bool eat(std::string_view what) {
        if (s.substr(pos, what.size()) != what) return false;
        pos += what.size();
        return true;
    }
    bool eatChar(char c) {
        if (atEnd() || s[pos] != c) return false;
        ++pos;
        return true;
    }
    // 1 to maxDigits decimal digits.
    bool number(int& out, int maxDigits = 5) {
        size_t start = pos;
        int value = 0;
        while (!atEnd() && pos - start < static_cast<size_t>(maxDigits) &&
               std::isdigit(static_cast<unsigned char>(s[pos]))) {
            value = value * 10 + (s[pos] - '0');
            ++pos;
        }
        if (pos == start) return false;
        if (!atEnd() && std::isdigit(static_cast<unsigned char>(s[pos]))) return false;
        out = value;
        return true;
    }
    void skipBlanks() {
        while (!atEnd() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    }
};

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool validCivil(const item::CivilTime& c) {
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (c.year < 1 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1) return false;
    int days = kMonthDays[c.month - 1] + (c.month == 2 && isLeap(c.year) ? 1 : 0);
    return c.day <= days && c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59 && c.second >= 0 &&
           c.second <= 59;
}

// "2014年7月25日" then optional "15时", "30分", "20秒" in that order.
bool readChineseForm(std::string_view text, item::CivilTime& c) {
    static const std::string kYear = text::gbk("年");
    static const std::string kMonth = text::gbk("月");
    static const std::string kDay = text::gbk("日");
    static const std::string kHour = text::gbk("时");
    static const std::string kMinute = text::gbk("分");
    static const std::string kSecond = text::gbk("秒");
    Cursor cur{text};
    if (!cur.number(c.year) || !cur.eat(kYear) || !cur.number(c.month) || !cur.eat(kMonth) ||
        !cur.number(c.day) || !cur.eat(kDay))
        return false;
    cur.skipBlanks();
    const std::string* markers[] = {&kHour, &kMinute, &kSecond};
    int* fields[] = {&c.hour, &c.minute, &c.second};
    int next = 0;
    while (!cur.atEnd()) {
        int value = 0;
        if (!cur.number(value)) return false;
        bool matched = false;
        for (; next < 3 && !matched; ++next) {
            if (cur.eat(*markers[next])) {
                *fields[next] = value;
                matched = true;
            }
        }
        if (!matched) return false;
    }
    return true;
}

// "2014-07-25", "2014/7/25" or "2014.7.25", then optionally " " or "T" and
// "15:30" or "15:30:20" (a fraction of a second is dropped).
bool readNumericForm(std::string_view text, item::CivilTime& c) {
    Cursor cur{text};
    if (!cur.number(c.year)) return false;
    if (cur.atEnd()) return false;
    char sep = cur.s[cur.pos];
    if (sep != '-' && sep != '/' && sep != '.') return false;
    ++cur.pos;
    if (!cur.number(c.month) || !cur.eatChar(sep) || !cur.number(c.day)) return false;
    if (cur.atEnd()) return true;
    if (!cur.eatChar('T')) {
        if (cur.s[cur.pos] != ' ' && cur.s[cur.pos] != '\t') return false;
        cur.skipBlanks();
    }
    if (!cur.number(c.hour, 2) || !cur.eatChar(':') || !cur.number(c.minute, 2)) return false;
    if (cur.eatChar(':')) {
        if (!cur.number(c.second, 2)) return false;
        if (cur.eatChar('.')) {
            while (!cur.atEnd() && std::isdigit(static_cast<unsigned char>(cur.s[cur.pos]))) ++cur.pos;
        }
    }
    cur.skipBlanks();
    return cur.atEnd();
}

// A spreadsheet serial: days since 1899-12-30 with the time as the fraction.
bool readSerial(std::string_view text, item::DateTime& out) {
    if (text.empty() || text.size() > 40) return false;
    for (char ch : text) {
        if (!std::isdigit(static_cast<unsigned char>(ch)) && ch != '.' && ch != 'e' && ch != 'E' &&
            ch != '+' && ch != '-')
            return false;
    }
    std::string copy(text);
    char* end = nullptr;
    double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return false;
    // 1 is 1899-12-31, 2958465 is 9999-12-31.
    if (value < 1.0 || value >= 2958466.0) return false;
    // Spreadsheets keep the time as a binary fraction; the nearest second is meant.
    out = item::DateTime{std::round(value * item::kSecondsPerDay) / item::kSecondsPerDay};
    return true;
}

std::string_view trimmed(std::string_view text) {
    static const std::string kWideSpace = "\xA1\xA1";
    for (;;) {
        if (!text.empty() &&
            (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n')) {
            text.remove_prefix(1);
        } else if (text.substr(0, 2) == kWideSpace) {
            text.remove_prefix(2);
        } else {
            break;
        }
    }
    for (;;) {
        if (!text.empty() &&
            (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
            text.remove_suffix(1);
        } else if (text.size() >= 2 && text.substr(text.size() - 2) == kWideSpace) {
            text.remove_suffix(2);
        } else {
            break;
        }
    }
    return text;
}

void exec(sqlite3* db, const std::string& sql) {
    if (db) sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

item::DateTime unreadableDateTime() {
    static const item::DateTime kValue = item::fromCivil(100, 1, 1);
    return kValue;
}

item::DateTime dateTimeFromText(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return unreadableDateTime();
    item::CivilTime civil{0, 0, 0, 0, 0, 0};
    if (readChineseForm(text, civil) || (civil = {0, 0, 0, 0, 0, 0}, readNumericForm(text, civil))) {
        return validCivil(civil) ? item::fromCivil(civil) : unreadableDateTime();
    }
    item::DateTime serial;
    if (readSerial(text, serial)) return serial;
    return unreadableDateTime();
}

std::string weekdayName(item::DateTime date) {
    static const std::string kNames[7] = {
        text::gbk("星期日"), text::gbk("星期一"), text::gbk("星期二"), text::gbk("星期三"),
        text::gbk("星期四"), text::gbk("星期五"), text::gbk("星期六"),
    };
    int day = item::weekday(date);
    return (day >= 0 && day < 7) ? kNames[day] : std::string();
}

ListingStats::ListingStats() = default;

ListingStats::~ListingStats() { close(); }

const std::string& ListingStats::createTableSql() {
    static const std::string kSql =
        "CREATE TABLE \"sp\" (\r\n"
        "\"id\"  INTEGER PRIMARY KEY AUTOINCREMENT,\r\n"
        "\"title\"  TEXT,\r\n"
        "\"stime\"  INTEGER,\r\n"
        "\"etime\"  INTEGER\r\n"
        ");";
    return kSql;
}

std::string ListingStats::insertSql(std::string_view title, std::string_view startText,
                                    std::string_view endText) {
    return "INSERT INTO `sp` (`title`, `stime`, `etime`) VALUES ('" + text::byteHexForm(title) + "', '" +
           text::fromInt(ts(dateTimeFromText(startText))) + "', '" +
           text::fromInt(ts(dateTimeFromText(endText))) + "');";
}

std::string ListingStats::purgeSql(item::DateTime now) {
    return "delete from `sp` where etime <= " + text::fromInt(ts(item::addSeconds(now, -kSlotSeconds))) + ";";
}

std::string ListingStats::countSlotSql(item::DateTime slotStartTime) {
    std::int64_t s = ts(slotStartTime);
    return "select id from `sp` where `etime` between " + text::fromInt(s) + " and " +
           text::fromDouble(static_cast<double>(s) + kSlotSeconds - 1) + ";";
}

bool ListingStats::open() {
    close();
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        if (m_db) sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    // Nothing of this database outlives the run, so there is nothing to roll back to.
    exec(m_db, "PRAGMA journal_mode = OFF;");
    exec(m_db, createTableSql());
    return true;
}

void ListingStats::close() {
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void ListingStats::addListing(std::string_view title, std::string_view startText, std::string_view endText) {
    exec(m_db, insertSql(title, startText, endText));
}

void ListingStats::addListings(const std::vector<ListingTexts>& listings) {
    if (!m_db) return;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "INSERT INTO `sp` (`title`, `stime`, `etime`) VALUES (?, ?, ?);", -1, &stmt,
                           nullptr) != SQLITE_OK) {
        for (const ListingTexts& l : listings) addListing(l.title, l.start, l.end);
        return;
    }
    exec(m_db, "BEGIN;");
    for (const ListingTexts& l : listings) {
        std::string hex = text::byteHexForm(l.title);
        sqlite3_bind_text(stmt, 1, hex.data(), static_cast<int>(hex.size()), SQLITE_STATIC);
        sqlite3_bind_int64(stmt, 2, ts(dateTimeFromText(l.start)));
        sqlite3_bind_int64(stmt, 3, ts(dateTimeFromText(l.end)));
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    exec(m_db, "COMMIT;");
    sqlite3_finalize(stmt);
}

void ListingStats::loadFromResultTable(const table::ResultTable& table) {
    // Read in chunks so a million-row table is never copied whole.
    constexpr int kChunk = 4096;
    std::vector<ListingTexts> chunk;
    chunk.reserve(kChunk);
    for (int r = 0; r < table.rowCount(); ++r) {
        chunk.push_back(
            {table.cell(r, table::kTitle), table.cell(r, table::kStartTime), table.cell(r, table::kEndTime)});
        if (static_cast<int>(chunk.size()) == kChunk) {
            addListings(chunk);
            chunk.clear();
        }
    }
    addListings(chunk);
}

void ListingStats::purgeEnded(item::DateTime now) { exec(m_db, purgeSql(now)); }

int ListingStats::countSlot(item::DateTime slotStartTime) {
    if (!m_db) return 0;
    std::string sql = countSlotSql(slotStartTime);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return 0;
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) ++rows;
    sqlite3_finalize(stmt);
    return rows;
}

std::int64_t ListingStats::rowCount() {
    if (!m_db) return 0;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "select count(*) from `sp`;", -1, &stmt, nullptr) != SQLITE_OK) return 0;
    std::int64_t n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return n;
}

void ListingStats::countGrid(item::DateTime today, int (&counts)[kSlotDays][kSlotHours]) {
    for (auto& day : counts)
        for (int& n : day) n = 0;
    if (!m_db) return;
    const std::int64_t first = ts(slotStart(today, 0, 0));
    bool even = true;
    for (int d = 0; d < kSlotDays && even; ++d)
        for (int h = 0; h < kSlotHours && even; ++h)
            even = ts(slotStart(today, d, h)) == first + (d * kSlotHours + h) * kSlotSeconds;
    if (!even) {
        for (int d = 0; d < kSlotDays; ++d)
            for (int h = 0; h < kSlotHours; ++h) counts[d][h] = countSlot(slotStart(today, d, h));
        return;
    }
    // Bucketing the matching end times here is cheaper than letting SQLite sort
    // them for a GROUP BY; it is still one pass over the table.
    const std::string sql = "select `etime` from `sp` where `etime` between " + text::fromInt(first) +
                            " and " + text::fromInt(first + kGridSeconds - 1) + ";";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const std::int64_t slot = (sqlite3_column_int64(stmt, 0) - first) / kSlotSeconds;
        if (slot >= 0 && slot < kSlotDays * kSlotHours) ++counts[slot / kSlotHours][slot % kSlotHours];
    }
    sqlite3_finalize(stmt);
}

int SlotGrid::dayTotal(int day) const {
    int total = 0;
    if (day < 0 || day >= kSlotDays) return 0;
    for (int n : counts[day]) total += n;
    return total;
}

item::DateTime slotStart(item::DateTime today, int day, int hour) {
    return item::addSeconds(today,
                            static_cast<std::int64_t>(day) * 86400 + static_cast<std::int64_t>(hour) * 3600);
}

SlotGrid computeSlotGrid(ListingStats& stats, const item::Clock& clock, SlotCounting counting) {
    const item::DateTime now = clock.now();
    stats.purgeEnded(now);
    SlotGrid grid;
    grid.today = item::dateOnly(now);
    if (counting == SlotCounting::Grouped) {
        stats.countGrid(grid.today, grid.counts);
    } else {
        for (int d = 0; d < kSlotDays; ++d)
            for (int h = 0; h < kSlotHours; ++h)
                grid.counts[d][h] = stats.countSlot(slotStart(grid.today, d, h));
    }
    return grid;
}

}  // namespace shelfwatch::report

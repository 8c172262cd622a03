// The result table: one ItemRecord of twelve text cells per listed item, the only
// place results live. Walks append rows and write cells from worker threads while
// the window thread reads them, so every operation is thread-safe (one lock, held
// only for the single operation). Sequences of operations are not atomic, as in a
// list control; the generation number lets a late writer notice that the table
// was cleared under it. Changes are collected into a summary that a view takes
// and applies in one step, so 10 000 writes cost one repaint.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::table {

enum Column : int {
    kSeq = 0,
    kTitle = 1,
    kUrl = 2,
    kSeller = 3,
    kStartTime = 4,
    kEndTime = 5,
    kMinutesLeft = 6,
    kSales = 7,
    kStock = 8,
    kIsMall = 9,
    kPrice = 10,
    kLocation = 11,
};
inline constexpr int kColumnCount = 12;

struct ItemRecord {
    std::string seq;
    std::string title;
    std::string url;
    std::string seller;
    std::string startTime;
    std::string endTime;
    std::string minutesLeft;
    std::string sales;
    std::string stock;
    std::string isMall;
    std::string price;
    std::string location;

    std::string& field(int column);
    const std::string& field(int column) const;
    friend bool operator==(const ItemRecord&, const ItemRecord&) = default;
};

// Field names as used in JSON output ("seq", "title", ...).
const std::array<std::string_view, kColumnCount>& fieldNames();
// Column titles in GBK ("序号" ... "所在地") and designed widths in pixels.
const std::array<std::string, kColumnCount>& columnTitles();
int columnWidth(int column);

// What changed since the last takeChanges(): a view applies it in one step.
struct ChangeSummary {
    bool reset = false;   // cleared (and possibly refilled) since last time
    int rowCount = 0;     // rows now
    int firstDirty = -1;  // appended or written rows [firstDirty, lastDirty]
    int lastDirty = -1;
    // Every append and write marks its row and every clear sets reset, so this
    // says whether anything changed at all.
    bool any() const { return reset || firstDirty >= 0; }
};

class ResultTable {
  public:
    ResultTable();

    int rowCount() const;
    int columnCount() const { return kColumnCount; }
    std::string columnTitle(int column) const;

    // Appends an empty row and returns its zero-based index.
    int appendRow();
    // Appends a row holding `record` (one operation); returns its index.
    int appendRecord(const ItemRecord& record);
    std::string cell(int row, int column) const;  // "" outside the table
    void setCell(int row, int column, std::string text);
    ItemRecord row(int row) const;
    std::vector<ItemRecord> snapshot() const;

    // First row at or after `startRow` whose cell in `column` equals `text`, or -1.
    int findRow(int startRow, int column, std::string_view text) const;
    void clear();

    // Bumped by every clear(). Writes that carry a generation land only while it
    // is current, so a stopped walk's late write never reaches a newer query.
    std::uint64_t generation() const;
    bool setCellIf(std::uint64_t generation, int row, int column, std::string text);
    // Appends `record` with its `seq` cell set to the row's zero-based position (how
    // every walk numbers its rows), in one operation and only while `generation` is
    // current. Returns the row's index, or -1 when a clear() has passed meanwhile.
    int appendNumberedIf(std::uint64_t generation, ItemRecord record);

    // View state the core reads (-1 when nothing is selected).
    int selectedRow() const;
    void setSelectedRow(int row);
    bool isEnabled() const;
    void setEnabled(bool enabled);

    // Called (on the writing thread) when the table goes from clean to changed;
    // the view then schedules takeChanges() on its own thread.
    void setChangeNotifier(std::function<void()> notifier);
    ChangeSummary takeChanges();

  private:
    void markDirtyLocked(int firstRow, int lastRow, bool reset);

    mutable std::mutex m_mutex;
    std::vector<ItemRecord> m_rows;
    std::uint64_t m_generation = 0;
    int m_selectedRow = -1;
    bool m_enabled = true;
    std::function<void()> m_notifier;
    bool m_dirty = false;
    bool m_resetPending = false;
    int m_firstDirty = -1;
    int m_lastDirty = -1;
};

}  // namespace shelfwatch::table

#include "table/result_table.h"

#include "text/gbk_text.h"

#include <algorithm>
#include <utility>

namespace shelfwatch::table {

namespace {

constexpr std::array<int, kColumnCount> kWidths = {40, 150, 100, 100, 135, 135, 80, 80, 80, 50, 70, 70};

bool validColumn(int column) { return column >= 0 && column < kColumnCount; }

}  // namespace

std::string& ItemRecord::field(int column) {
    switch (column) {
        case kSeq:
            return seq;
        case kTitle:
            return title;
        case kUrl:
            return url;
        case kSeller:
            return seller;
        case kStartTime:
            return startTime;
        case kEndTime:
            return endTime;
        case kMinutesLeft:
            return minutesLeft;
        case kSales:
            return sales;
        case kStock:
            return stock;
        case kIsMall:
            return isMall;
        case kPrice:
            return price;
        default:
            return location;
    }
}

const std::string& ItemRecord::field(int column) const {
    return const_cast<ItemRecord*>(this)->field(column);
}

const std::array<std::string_view, kColumnCount>& fieldNames() {
    static constexpr std::array<std::string_view, kColumnCount> kNames = {
        "seq",         "title", "url",   "seller", "startTime", "endTime",
        "minutesLeft", "sales", "stock", "isMall", "price",     "location"};
    return kNames;
}

const std::array<std::string, kColumnCount>& columnTitles() {
    static const std::array<std::string, kColumnCount> kTitles = {
        text::gbk("序号"),     text::gbk("标题"),     text::gbk("地址"),     text::gbk("店主"),
        text::gbk("开始日期"), text::gbk("结束日期"), text::gbk("剩余分钟"), text::gbk("当前销量"),
        text::gbk("剩余库存"), text::gbk("商城"),     text::gbk("商品售价"), text::gbk("所在地")};
    return kTitles;
}

int columnWidth(int column) { return validColumn(column) ? kWidths[static_cast<std::size_t>(column)] : 0; }

ResultTable::ResultTable() = default;

int ResultTable::rowCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::string ResultTable::columnTitle(int column) const {
    return validColumn(column) ? columnTitles()[static_cast<std::size_t>(column)] : std::string();
}

int ResultTable::appendRow() { return appendRecord(ItemRecord{}); }

int ResultTable::appendRecord(const ItemRecord& record) {
    std::function<void()> notify;
    int index = 0;
    {
        std::lock_guard lock(m_mutex);
        index = static_cast<int>(m_rows.size());
        m_rows.push_back(record);
        if (!m_dirty) notify = m_notifier;
        markDirtyLocked(index, index, false);
    }
    if (notify) notify();
    return index;
}

int ResultTable::appendNumberedIf(std::uint64_t generation, ItemRecord record) {
    std::function<void()> notify;
    int index = 0;
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation) return -1;
        index = static_cast<int>(m_rows.size());
        record.seq = std::to_string(index);
        m_rows.push_back(std::move(record));
        if (!m_dirty) notify = m_notifier;
        markDirtyLocked(index, index, false);
    }
    if (notify) notify();
    return index;
}

std::string ResultTable::cell(int row, int column) const {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || !validColumn(column)) return {};
    return m_rows[static_cast<std::size_t>(row)].field(column);
}

void ResultTable::setCell(int row, int column, std::string text) {
    std::function<void()> notify;
    {
        std::lock_guard lock(m_mutex);
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || !validColumn(column)) return;
        m_rows[static_cast<std::size_t>(row)].field(column) = std::move(text);
        if (!m_dirty) notify = m_notifier;
        markDirtyLocked(row, row, false);
    }
    if (notify) notify();
}

bool ResultTable::setCellIf(std::uint64_t generation, int row, int column, std::string text) {
    std::function<void()> notify;
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation) return false;
        if (row < 0 || row >= static_cast<int>(m_rows.size()) || !validColumn(column)) return false;
        m_rows[static_cast<std::size_t>(row)].field(column) = std::move(text);
        if (!m_dirty) notify = m_notifier;
        markDirtyLocked(row, row, false);
    }
    if (notify) notify();
    return true;
}

ItemRecord ResultTable::row(int row) const {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return {};
    return m_rows[static_cast<std::size_t>(row)];
}

std::vector<ItemRecord> ResultTable::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_rows;
}

int ResultTable::findRow(int startRow, int column, std::string_view text) const {
    std::lock_guard lock(m_mutex);
    if (!validColumn(column)) return -1;
    for (std::size_t i = static_cast<std::size_t>(std::max(startRow, 0)); i < m_rows.size(); ++i) {
        if (m_rows[i].field(column) == text) return static_cast<int>(i);
    }
    return -1;
}

void ResultTable::clear() {
    std::function<void()> notify;
    // The old rows are freed after the lock is released, so clearing 100 000
    // rows does not stall writers and readers.
    std::vector<ItemRecord> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_rows);
        ++m_generation;
        m_selectedRow = -1;
        if (!m_dirty) notify = m_notifier;
        markDirtyLocked(-1, -1, true);
    }
    old = {};
    if (notify) notify();
}

std::uint64_t ResultTable::generation() const {
    std::lock_guard lock(m_mutex);
    return m_generation;
}

int ResultTable::selectedRow() const {
    std::lock_guard lock(m_mutex);
    return m_selectedRow;
}

void ResultTable::setSelectedRow(int row) {
    std::lock_guard lock(m_mutex);
    m_selectedRow = (row >= 0 && row < static_cast<int>(m_rows.size())) ? row : -1;
}

bool ResultTable::isEnabled() const {
    std::lock_guard lock(m_mutex);
    return m_enabled;
}

void ResultTable::setEnabled(bool enabled) {
    std::lock_guard lock(m_mutex);
    m_enabled = enabled;
}

void ResultTable::setChangeNotifier(std::function<void()> notifier) {
    std::lock_guard lock(m_mutex);
    m_notifier = std::move(notifier);
}

ChangeSummary ResultTable::takeChanges() {
    std::lock_guard lock(m_mutex);
    ChangeSummary summary;
    summary.reset = m_resetPending;
    summary.rowCount = static_cast<int>(m_rows.size());
    summary.firstDirty = m_firstDirty;
    summary.lastDirty = m_lastDirty;
    m_dirty = false;
    m_resetPending = false;
    m_firstDirty = -1;
    m_lastDirty = -1;
    return summary;
}

void ResultTable::markDirtyLocked(int firstRow, int lastRow, bool reset) {
    m_dirty = true;
    if (reset) {
        // The view reloads everything after a reset; earlier ranges are moot.
        m_resetPending = true;
        m_firstDirty = -1;
        m_lastDirty = -1;
        return;
    }
    if (firstRow < 0) return;
    m_firstDirty = m_firstDirty < 0 ? firstRow : std::min(m_firstDirty, firstRow);
    m_lastDirty = std::max(m_lastDirty, lastRow);
}

}  // namespace shelfwatch::table

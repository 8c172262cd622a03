// Reading listings back from a workbook: the title, start and end cells (columns
// B, E and F) of worksheet 1 of an .xlsx file (streamed from the zip with expat,
// shared and inline strings alike) or an old .xls file (libfreexl). Rows 1..R are
// read, R being the height of the used range, as the spreadsheet application
// reports it. Numbers and dates come back as their stored cell text (a date as
// its serial number). Corrupt or hostile files fail cleanly: sizes, string tables,
// the expanded cell text and entity expansion are capped, rows may come in any
// order at O(n log n), and only regular files are read, so no input can crash the
// reader, make it allocate without bound or run for long. Pure functions; thread-safe.
#pragma once

#include "report/listing_stats.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace shelfwatch::report {

struct WorkbookRow {
    int row = 0;        // 1-based worksheet row
    std::string title;  // column B, GBK
    std::string start;  // column E
    std::string end;    // column F
};

struct WorkbookContent {
    bool ok = false;
    std::string error;              // why it could not be read (UTF-8, for logs and tests)
    int usedRows = 0;               // R
    std::vector<WorkbookRow> rows;  // rows 1..R holding any of B, E, F, in order
};

// Limits that keep hostile files in check; the defaults are far above what any
// real result table reaches.
struct WorkbookLimits {
    std::uint64_t maxFileBytes = 512ull << 20;      // the workbook file itself
    std::uint64_t maxInflatedBytes = 768ull << 20;  // all parts read, decompressed
    std::uint64_t maxSharedStringBytes = 256ull << 20;
    std::size_t maxCellBytes = 1u << 20;
    // The text of every kept cell together, shared strings counted once per cell
    // that refers to them: a small file whose cells all name one long string
    // would otherwise expand to gigabytes.
    std::uint64_t maxCellTextBytes = 256ull << 20;
};

WorkbookContent readWorkbook(const std::filesystem::path& path, const WorkbookLimits& limits = {});

struct ImportResult {
    bool ok = false;
    std::string message;  // GBK message for the user when !ok
    int listings = 0;     // rows handed to the statistics
};

// Reads worksheet 1 of `path` and adds every row with a non-empty title to
// `stats` (opened here when it is not open yet). Failures: "打开excel文件失败！"
// when the file cannot be read as a workbook, "内存数据库创建失败，无法获取统计"
// when the statistics database cannot be opened.
ImportResult importWorkbookListings(const std::filesystem::path& path, ListingStats& stats);

}  // namespace shelfwatch::report

// The Excel export: the whole result table as an .xlsx workbook, worksheet 1 the
// table under a header row, worksheet 2 the delisting statistics of the coming
// seven days. The workbook is streamed (memory does not grow with the row count)
// into a temporary file beside the target and renamed over it only when complete,
// so a failed export never leaves half a file nor destroys the previous one.
// The writer itself needs no window; the export command's behaviour (the panel's
// events kept running, its status cleared, a failure shown as a message box) is
// a thin layer over it. Runs on the caller's thread; the table is only read.
#pragma once

#include "panel/main_panel.h"
#include "item/listing_time.h"
#include "table/result_table.h"

#include <filesystem>
#include <functional>
#include <string>

namespace shelfwatch::report {

struct ExportResult {
    bool ok = false;
    std::string error;  // GBK, names the path and the cause; empty when ok
};

// Called back while a workbook is written, for a window that must stay alive.
struct WorkbookHooks {
    std::function<void()> perRow;      // before each table row is written
    std::function<void()> beforeSave;  // once the sheets are filled, before saving
};

// Writes `table` to `path` (used as given: no extension added or tested), the
// statistics sheet counted at clock.now().
ExportResult writeWorkbook(const table::ResultTable& table, const std::filesystem::path& path,
                           const item::Clock& clock, const WorkbookHooks& hooks = {});

// The export command: writeWorkbook that lets the panel's pending events run once
// per row and clears its status label before saving (and after a failure).
// Unless `quiet`, a failure is also shown as a message box; the quiet caller (the
// task run) gets it only as the result.
ExportResult exportResultTable(const table::ResultTable& table, bool quiet, const std::filesystem::path& path,
                               const item::Clock& clock, panel::MainPanel& panel);

// The closing message of the export button, "完成操作\r\n" + path (GBK).
std::string exportDoneMessage(const std::filesystem::path& path);

// A path as GBK text for messages.
std::string pathText(const std::filesystem::path& path);

}  // namespace shelfwatch::report

// The unattended run: every section of task_cfg.ini once, in file order, on the
// calling thread, each query's rows exported as one workbook under
// reports/<run stamp>/ with the name "<title> <subject>.txt" that scripts which
// collect the reports look for. Every run that has sections also writes run.log
// (UTF-8) beside the reports: one line per section with its kind, subject, row
// count and report name or failure, and every message a query raised, so a run
// nobody watched can be checked afterwards. A report that cannot be written is
// logged and the run goes on.
#pragma once

#include "item/listing_time.h"
#include "search/walk_context.h"
#include "table/result_table.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::task {

// "抓取关键词", "抓取店铺", "抓取分类".
const std::string& keywordReportTitle();
const std::string& storeReportTitle();
const std::string& categoryReportTitle();

// Items per list-service page of a category task.
inline constexpr int kCategoryPageSize = 44;

// The run's folder name: the date-time text of the tables (GBK).
std::string runStamp(item::DateTime now);

// The subject as a file name part: ? / \ * : # < > | and " removed (double-byte
// characters kept whole); a result that is empty, "." or ".." becomes "_", so no
// subject can name a file outside the run's folder.
std::string cleanSubject(std::string_view subject);

// A category label split at its "||": the id to request and the report subject.
struct CategoryLabel {
    std::string id;       // trimmed; "0" for an empty label
    std::string subject;  // the first part, untrimmed
};
CategoryLabel splitCategoryLabel(std::string_view label);

// The list-service address of page `page` (1-based) of category `id`.
std::string categoryListAddress(const std::string& listHost, const std::string& id, const std::string& spm,
                                std::int64_t page);

// A GBK text as a path element (UTF-8 on disk where the system names files so).
std::filesystem::path pathFromGbk(const std::string& gbk);

// What the run needs from queries other modules provide.
struct TaskQueries {
    // The store query for one nickname: lists the store and fills the details
    // before it returns. Unset: store tasks are logged as failed.
    std::function<void(search::WalkContext&, const std::string& nickname)> storeQuery;
    // Appends the items of one list-service answer to the table; the number
    // appended. Unset: category tasks list nothing and are logged so.
    std::function<int(search::WalkContext&, std::uint64_t generation, const std::string& answer)>
        appendListItems;
};

struct TaskRunOptions {
    std::filesystem::path taskFile;     // task_cfg.ini
    std::filesystem::path reportsRoot;  // <data dir>/reports
    TaskQueries queries;
    // Messages a query raises: shown through the panel (a window waits for a
    // click) or, when false, written to standard error. Both go to run.log.
    bool showMessages = false;
};

// What became of one section.
struct TaskOutcome {
    std::string option;   // GBK, as read
    std::string subject;  // GBK, as the report name uses it (before cleaning)
    int rows = 0;
    std::filesystem::path report;  // empty when none was written
    std::string error;             // GBK; empty when the report was written or none was due
};

struct TaskRunResult {
    std::filesystem::path folder;  // empty when the file had no sections
    std::vector<TaskOutcome> tasks;
    bool logWritten = false;
};

// The run, on the calling thread. Never throws for bad input; returns when done.
TaskRunResult runTasks(search::WalkContext& context, const TaskRunOptions& options);

// Options with the data directory's task file and reports root.
TaskRunOptions defaultRunOptions(const std::filesystem::path& dataDir);

}  // namespace shelfwatch::task

// The run history: every finished walk (its time, kind, subject, pages, how it
// ended) and the rows its table held, kept in history.sqlite in the data
// directory, so later runs of the same query can be compared with earlier ones.
// The file uses the write-ahead journal (a crash mid-write leaves the last
// committed state), every run is written in one transaction, and a second
// program writing at the same time waits for the lock instead of failing.
// A HistoryStore belongs to one thread; open one per thread or per operation.
#pragma once

#include "item/listing_time.h"
#include "table/result_table.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace shelfwatch::history {

enum class Outcome {
    Done,
    Stopped,      // the user stopped the walk
    Interrupted,  // the program was told to end (Ctrl-C) or died midway
    Failures,     // walked to the end, but some items' details could not be read
};

// "done", "stopped", "interrupted", "with failures".
std::string_view outcomeName(Outcome outcome);
// A run whose walk went to its end: the ones compared unless others are asked for.
bool isComplete(Outcome outcome);

// How a walk ended, from what its caller saw and the rows it left: a row
// without a start date is an item whose details failed.
Outcome outcomeOf(const std::vector<table::ItemRecord>& rows, bool stopped, bool interrupted);

// The `id` parameter of the item's address; the whole address when it has none.
std::string itemKey(std::string_view address);

// Walk kinds as recorded.
inline constexpr std::string_view kKindKeyword = "keyword";
inline constexpr std::string_view kKindListPage = "listpage";
inline constexpr std::string_view kKindStore = "store";
inline constexpr std::string_view kKindCategory = "category";

struct RunInfo {
    std::int64_t id = 0;
    item::DateTime time;  // China time when the walk ended
    std::string kind;
    std::string subject;  // GBK: the keyword, address, store or category
    int pages = 0;
    std::int64_t rows = 0;
    Outcome outcome = Outcome::Done;
};

struct RunRow {
    std::string key;  // itemKey of the address
    table::ItemRecord record;
};

// history.sqlite in the data directory.
std::filesystem::path historyFile(const std::filesystem::path& dataDir);
// configs.ini [history] keep: anything but 0 keeps the history (default 1).
bool historyKept(const std::filesystem::path& dataDir);

class HistoryStore {
  public:
    explicit HistoryStore(std::filesystem::path file);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens (creating when needed) the file and its tables; false with a UTF-8
    // error naming the file.
    bool open(std::string& error);
    // Opens an existing file only: a missing history is no history, not a new file.
    bool openExisting(std::string& error);

    // Writes the run and its rows in one transaction; the new run's id, or 0
    // with `error` (nothing of the run is kept then).
    std::int64_t record(const RunInfo& run, const std::vector<table::ItemRecord>& rows, std::string& error);

    std::vector<RunInfo> runs();  // newest first
    std::optional<RunInfo> run(std::int64_t id);
    // The run's rows in table order; `comparedOnly` reads just the key and the
    // cells a comparison looks at (title, seller, start, sales, stock, price).
    std::vector<RunRow> rows(std::int64_t runId, bool comparedOnly = false);
    // The newest complete run; of one kind and subject when given.
    std::optional<RunInfo> newestComplete();
    std::optional<RunInfo> newestComplete(std::string_view kind, std::string_view subject);
    // The complete run of the same kind and subject just before `run`.
    std::optional<RunInfo> previousComplete(const RunInfo& run);

    // Removes the runs that ended before `before`, rows and all; how many, or -1.
    int prune(item::DateTime before, std::string& error);

  private:
    bool openWith(int flags, std::string& error);
    std::optional<RunInfo> queryOne(const char* sql, const std::vector<std::string>& texts,
                                    const std::vector<std::int64_t>& numbers);

    std::filesystem::path m_file;
    sqlite3* m_db = nullptr;
};

// What a caller knows about a walk that just ended.
struct WalkRecord {
    std::string_view kind;
    std::string subject;  // GBK
    int pages = 0;
    bool stopped = false;
    bool interrupted = false;
};

// Records the table's rows as the run of `walk` when the history is kept
// (configs.ini, and `enabled`); the run, or nullopt when nothing was recorded
// (`error` says why when it failed).
std::optional<RunInfo> recordWalk(const std::filesystem::path& dataDir, const item::Clock& clock,
                                  const table::ResultTable& table, const WalkRecord& walk, std::string& error,
                                  bool enabled = true);

}  // namespace shelfwatch::history

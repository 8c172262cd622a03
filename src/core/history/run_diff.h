// What changed between two runs of one query: items only in the later run
// (new), only in the earlier one (gone), whose listing start moved (relisted:
// the listing was renewed), and whose price, sales, stock, title or seller
// changed. An empty cell is an item whose details failed, never a change.
#pragma once

#include "history/history_store.h"

#include <optional>
#include <string>
#include <vector>

namespace shelfwatch::history {

struct FieldChange {
    std::string key;    // item key
    std::string field;  // "price", "sales", "stock", "title", "seller"
    std::string from;   // GBK
    std::string to;     // GBK
};

struct RunDiff {
    RunInfo from;
    RunInfo to;
    std::vector<std::string> added;     // in the later run's order
    std::vector<std::string> gone;      // in the earlier run's order
    std::vector<std::string> relisted;  // in the later run's order
    std::vector<FieldChange> changed;   // by item in the later run's order, fields in the order above
};

// Compares by item key; an item listed twice in one run counts by its first row.
RunDiff compareRows(const std::vector<RunRow>& earlier, const std::vector<RunRow>& later);

// Which two runs `diff [A [B]]` compares: B given or the newest complete run;
// A given or the complete run of B's kind and subject before it. Runs named
// explicitly are compared whatever their outcome.
struct DiffChoice {
    bool ok = false;
    std::string error;  // UTF-8
    RunInfo from;
    RunInfo to;
};
DiffChoice chooseRuns(HistoryStore& store, std::optional<std::int64_t> a, std::optional<std::int64_t> b);

// Loads and compares the two runs.
RunDiff compareRuns(HistoryStore& store, const RunInfo& from, const RunInfo& to);

// {"from": A, "to": B, "new": [...], "gone": [...], "relisted": [...],
//  "changed": [{"id": ..., "field": ..., "from": ..., "to": ...}, ...]} (UTF-8).
std::string diffJson(const RunDiff& diff);

// A readable summary line, then one line per change (GBK, lines end in "\n").
// Items are named by key and, where the runs know it, title.
std::string diffText(const RunDiff& diff, const std::vector<RunRow>& earlier,
                     const std::vector<RunRow>& later);
// The summary line alone ("12 new, 3 gone, 1 relisted, 4 changed").
std::string diffSummary(const RunDiff& diff);

// "2026-12-11 17:53:31" (China time).
std::string runTimeText(item::DateTime time);

}  // namespace shelfwatch::history

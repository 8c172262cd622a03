#include "history/run_diff.h"

#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <unordered_map>

namespace shelfwatch::history {
namespace {

using Index = std::unordered_map<std::string_view, const table::ItemRecord*>;

Index indexByKey(const std::vector<RunRow>& rows) {
    Index index;
    index.reserve(rows.size() * 2);
    for (const RunRow& row : rows) index.emplace(row.key, &row.record);
    return index;
}

struct ComparedField {
    const char* name;
    std::string table::ItemRecord::*member;
};
constexpr ComparedField kComparedFields[] = {
    {"price", &table::ItemRecord::price},   {"sales", &table::ItemRecord::sales},
    {"stock", &table::ItemRecord::stock},   {"title", &table::ItemRecord::title},
    {"seller", &table::ItemRecord::seller},
};

std::string runLabel(const RunInfo& run) {
    return "run " + std::to_string(run.id) + " (" + runTimeText(run.time) + ", " + run.kind + " " +
           run.subject + ", " + std::string(outcomeName(run.outcome)) + ")";
}

}  // namespace

RunDiff compareRows(const std::vector<RunRow>& earlier, const std::vector<RunRow>& later) {
    RunDiff diff;
    const Index before = indexByKey(earlier);
    const Index after = indexByKey(later);
    for (const RunRow& row : later) {
        const auto found = before.find(row.key);
        // Only the first row of a key speaks for the item.
        if (after.at(row.key) != &row.record) continue;
        if (found == before.end()) {
            diff.added.push_back(row.key);
            continue;
        }
        const table::ItemRecord& old = *found->second;
        const table::ItemRecord& now = row.record;
        if (!old.startTime.empty() && !now.startTime.empty() && old.startTime != now.startTime) {
            diff.relisted.push_back(row.key);
        }
        for (const ComparedField& field : kComparedFields) {
            const std::string& from = old.*field.member;
            const std::string& to = now.*field.member;
            if (!from.empty() && !to.empty() && from != to)
                diff.changed.push_back({row.key, field.name, from, to});
        }
    }
    for (const RunRow& row : earlier) {
        if (before.at(row.key) != &row.record) continue;
        if (after.find(row.key) == after.end()) diff.gone.push_back(row.key);
    }
    return diff;
}

DiffChoice chooseRuns(HistoryStore& store, std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
    DiffChoice choice;
    std::optional<RunInfo> to = b ? store.run(*b) : store.newestComplete();
    if (!to) {
        choice.error =
            b ? "no run " + std::to_string(*b) + " in the history" : "no complete run in the history";
        return choice;
    }
    std::optional<RunInfo> from = a ? store.run(*a) : store.previousComplete(*to);
    if (!from) {
        choice.error = a ? "no run " + std::to_string(*a) + " in the history"
                         : "no earlier complete run of " + to->kind + " " + text::gbkToUtf8(to->subject) +
                               " before run " + std::to_string(to->id);
        return choice;
    }
    choice.ok = true;
    choice.from = *from;
    choice.to = *to;
    return choice;
}

RunDiff compareRuns(HistoryStore& store, const RunInfo& from, const RunInfo& to) {
    RunDiff diff = compareRows(store.rows(from.id, true), store.rows(to.id, true));
    diff.from = from;
    diff.to = to;
    return diff;
}

std::string diffJson(const RunDiff& diff) {
    auto utf8List = [](const std::vector<std::string>& keys) {
        nlohmann::json list = nlohmann::json::array();
        for (const std::string& key : keys) list.push_back(text::gbkToUtf8(key));
        return list;
    };
    nlohmann::json out = nlohmann::json::object();
    out["from"] = diff.from.id;
    out["to"] = diff.to.id;
    out["new"] = utf8List(diff.added);
    out["gone"] = utf8List(diff.gone);
    out["relisted"] = utf8List(diff.relisted);
    nlohmann::json changed = nlohmann::json::array();
    for (const FieldChange& change : diff.changed) {
        changed.push_back({{"id", text::gbkToUtf8(change.key)},
                           {"field", change.field},
                           {"from", text::gbkToUtf8(change.from)},
                           {"to", text::gbkToUtf8(change.to)}});
    }
    out["changed"] = std::move(changed);
    // Replace, not throw: a cell holding bytes that are not GBK still prints.
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string diffSummary(const RunDiff& diff) {
    return std::to_string(diff.added.size()) + " new, " + std::to_string(diff.gone.size()) + " gone, " +
           std::to_string(diff.relisted.size()) + " relisted, " + std::to_string(diff.changed.size()) +
           " changed";
}

std::string diffText(const RunDiff& diff, const std::vector<RunRow>& earlier,
                     const std::vector<RunRow>& later) {
    const Index before = indexByKey(earlier);
    const Index after = indexByKey(later);
    auto titled = [](const Index& index, const std::string& key) {
        const auto found = index.find(key);
        if (found == index.end() || found->second->title.empty()) return key;
        return key + "  " + found->second->title;
    };
    std::string out = runLabel(diff.to) + " against " + runLabel(diff.from) + ": " + diffSummary(diff) + "\n";
    for (const std::string& key : diff.added) out += "new       " + titled(after, key) + "\n";
    for (const std::string& key : diff.gone) out += "gone      " + titled(before, key) + "\n";
    for (const std::string& key : diff.relisted) {
        const auto was = before.find(key);
        const auto now = after.find(key);
        out += "relisted  " + titled(after, key) + "  start " + was->second->startTime + " -> " +
               now->second->startTime + "\n";
    }
    for (const FieldChange& change : diff.changed) {
        out +=
            "changed   " + change.key + "  " + change.field + " " + change.from + " -> " + change.to + "\n";
    }
    return out;
}

std::string runTimeText(item::DateTime time) {
    const item::CivilTime c = item::toCivil(time);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return buffer;
}

}  // namespace shelfwatch::history

// shelfwatch-cli history: the recorded runs, newest first; and pruning old ones.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "history/history_store.h"
#include "history/run_diff.h"
#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <memory>

namespace shelfwatch::cli {
namespace {

struct HistoryOptions {
    bool json = false;
    std::string pruneOlderThan;  // "90d"
};

// "90d" (whole days, at least one digit); false otherwise.
bool parseDays(const std::string& text, int& days) {
    if (text.size() < 2 || text.size() > 6 || text.back() != 'd') return false;
    days = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        days = days * 10 + (text[i] - '0');
    }
    return true;
}

void printRuns(const std::vector<history::RunInfo>& runs, bool json) {
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const history::RunInfo& run : runs) {
            list.push_back({{"id", run.id},
                            {"time", history::runTimeText(run.time)},
                            {"kind", run.kind},
                            {"subject", text::gbkToUtf8(run.subject)},
                            {"pages", run.pages},
                            {"rows", run.rows},
                            {"outcome", std::string(history::outcomeName(run.outcome))}});
        }
        std::cout << list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return;
    }
    for (const history::RunInfo& run : runs) {
        char head[96];
        std::snprintf(head, sizeof head, "%6lld  %s  %-9s %7lld rows  %-13s  ",
                      static_cast<long long>(run.id), history::runTimeText(run.time).c_str(),
                      run.kind.c_str(), static_cast<long long>(run.rows),
                      std::string(history::outcomeName(run.outcome)).c_str());
        std::cout << head << text::gbkToUtf8(run.subject) << "\n";
    }
}

int runHistory(CliContext& context, const CLI::App& command, const HistoryOptions& options) {
    int days = 0;
    if (!options.pruneOlderThan.empty() && !parseDays(options.pruneOlderThan, days)) {
        return usageError(command, "--prune-older-than wants whole days such as 90d, not \"" +
                                       options.pruneOlderThan + "\"");
    }
    history::HistoryStore store(history::historyFile(context.app.dataDir));
    std::string error;
    if (!store.openExisting(error)) {
        // No file yet is an empty history, not a failure.
        if (options.pruneOlderThan.empty()) printRuns({}, options.json);
        if (!options.json && !context.quiet) std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitOk;
    }
    if (!options.pruneOlderThan.empty()) {
        const item::DateTime before = item::addDays(context.app.clock.now(), -days);
        const int removed = store.prune(before, error);
        if (removed < 0) {
            std::cerr << "shelfwatch-cli: " << error << "\n";
            return kExitFile;
        }
        if (!context.quiet) std::cerr << "removed " << removed << " run(s) older than " << days << " days\n";
        return kExitOk;
    }
    printRuns(store.runs(), options.json);
    std::cout.flush();
    return std::cout ? kExitOk : kExitFile;
}

}  // namespace

void registerHistoryCommand(Commands& commands) {
    auto options = std::make_shared<HistoryOptions>();
    CLI::App& command = commands.add(
        "history", "list the recorded walks, newest first (id, time, kind, rows, outcome, subject)",
        "shelfwatch-cli history\nshelfwatch-cli history --prune-older-than 90d",
        [options](CliContext& context, const CLI::App& self) { return runHistory(context, self, *options); });
    command.add_flag("--json", options->json, "print the runs as a JSON array");
    command
        .add_option("--prune-older-than", options->pruneOlderThan,
                    "remove the runs older than this, e.g. 90d")
        ->type_name("DAYSd");
}

}  // namespace shelfwatch::cli

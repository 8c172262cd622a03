// shelfwatch-cli diff [A [B]]: what changed between two recorded runs of a query.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "history/history_store.h"
#include "history/run_diff.h"
#include "text/gbk_text.h"

#include <iostream>
#include <limits>
#include <memory>
#include <optional>

namespace shelfwatch::cli {
namespace {

struct DiffOptions {
    std::vector<std::string> runs;  // at most two run ids
    bool json = false;
};

int runDiff(CliContext& context, const CLI::App& command, const DiffOptions& options) {
    std::optional<std::int64_t> ids[2];
    for (std::size_t i = 0; i < options.runs.size(); ++i) {
        int id = 0;
        if (!parseWholeNumber(options.runs[i], 1, std::numeric_limits<int>::max(), id)) {
            return usageError(command,
                              "a run is named by its number in 'history', not \"" + options.runs[i] + "\"");
        }
        ids[i] = id;
    }
    history::HistoryStore store(history::historyFile(context.app.dataDir));
    std::string error;
    if (!store.openExisting(error)) {
        std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitFailure;
    }
    // One run named is B, compared with the run before it.
    const std::optional<std::int64_t> a = options.runs.size() == 2 ? ids[0] : std::nullopt;
    const std::optional<std::int64_t> b = options.runs.size() == 2 ? ids[1] : ids[0];
    const history::DiffChoice choice = history::chooseRuns(store, a, b);
    if (!choice.ok) {
        std::cerr << "shelfwatch-cli: " << choice.error << "\n";
        return kExitFailure;
    }
    const std::vector<history::RunRow> earlier = store.rows(choice.from.id, true);
    const std::vector<history::RunRow> later = store.rows(choice.to.id, true);
    history::RunDiff diff = history::compareRows(earlier, later);
    diff.from = choice.from;
    diff.to = choice.to;
    if (options.json) {
        std::cout << history::diffJson(diff) << "\n";
    } else {
        if (diff.from.kind != diff.to.kind || diff.from.subject != diff.to.subject) {
            std::cerr << "shelfwatch-cli: note: the two runs are of different queries\n";
        }
        std::cout << text::gbkToUtf8(history::diffText(diff, earlier, later));
    }
    std::cout.flush();
    return std::cout ? kExitOk : kExitFile;
}

}  // namespace

void registerDiffCommand(Commands& commands) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App& command = commands.add(
        "diff", "show what changed between two recorded runs: new, gone, relisted and changed items",
        "shelfwatch-cli diff\nshelfwatch-cli diff 12 15 --json",
        [options](CliContext& context, const CLI::App& self) { return runDiff(context, self, *options); });
    command
        .add_option("RUNS", options->runs,
                    "A B: compare run B with run A; B alone: with the previous complete run of its query; "
                    "none: the newest complete run with the one before it")
        ->expected(0, 2)
        ->type_name("[A [B]]");
    command.add_flag("--json", options->json, "print the changes as one JSON object");
}

}  // namespace shelfwatch::cli

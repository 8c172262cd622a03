#include "cli/walk_command.h"

#include "cli/exit_codes.h"
#include "cli/table_output.h"
#include "history/history_store.h"

#include <iostream>

namespace shelfwatch::cli {

void recordWalk(CliContext& context, std::string_view kind, std::string subject, int pages,
                bool interrupted) {
    history::WalkRecord walk{kind, std::move(subject), pages, false, interrupted};
    std::string error;
    const auto run = history::recordWalk(context.app.dataDir, context.app.clock, context.app.table, walk,
                                         error, !context.noHistory);
    if (!run && !error.empty()) std::cerr << "shelfwatch-cli: history not recorded: " << error << "\n";
}

int finishWalk(CliContext& context, const TableOutput& output, bool failed) {
    std::string error;
    if (!writeTable(context.app.table, output, context.app.clock, std::cout, error)) {
        std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitFile;
    }
    return failed ? kExitFailure : kExitOk;
}

}  // namespace shelfwatch::cli

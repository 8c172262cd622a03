#include "cli/walk_command.h"

#include "cli/exit_codes.h"
#include "cli/table_output.h"
#include "config/atomic_file.h"
#include "history/history_store.h"

#include <iostream>

namespace shelfwatch::cli {

int checkOutput(const TableOutput& output) {
    if (output.outFile.empty()) return kExitOk;
    std::string cause;
    if (config::checkWritableTarget(output.outFile, cause)) return kExitOk;
    std::cerr << "shelfwatch-cli: cannot write " << output.outFile.string() << ": " << cause << "\n";
    return kExitFile;
}

std::string describeFailure(const net::FetchFailure& failure) {
    const std::string cause =
        failure.message.empty() ? std::string(net::fetchFailureKindName(failure.kind)) : failure.message;
    return (failure.host.empty() ? std::string("(no host)") : failure.host) + ": " + cause;
}

void recordWalk(CliContext& context, std::string_view kind, std::string subject, int pages,
                bool interrupted) {
    history::WalkRecord walk{kind, std::move(subject), pages, false, interrupted};
    std::string error;
    const auto run = history::recordWalk(context.app.dataDir, context.app.clock, context.app.table, walk,
                                         error, !context.noHistory);
    if (!run && !error.empty()) std::cerr << "shelfwatch-cli: history not recorded: " << error << "\n";
}

int finishWalk(CliContext& context, const TableOutput& output, bool failed, bool interrupted) {
    const search::FetchState& state = context.app.fetchState;
    const int pagesTried = state.listPagesTried;
    const int pagesLost = state.listPagesLost;
    const int itemsLost = state.itemsLost;
    if (!interrupted && pagesTried > 0 && pagesLost == pagesTried) {
        std::cerr << "shelfwatch-cli: no list page could be fetched: " << describeFailure(state.lastLoss())
                  << "\n";
        return kExitUnreachable;
    }
    if (pagesLost > 0 || itemsLost > 0) {
        std::cerr << "shelfwatch-cli: lost " << pagesLost << " of " << pagesTried << " list pages and "
                  << itemsLost << " item pages (last: " << describeFailure(state.lastLoss()) << ")\n";
    }
    std::string error;
    if (!writeTable(context.app.table, output, context.app.clock, std::cout, error)) {
        std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitFile;
    }
    if (interrupted) return kExitInterrupted;
    return failed ? kExitFailure : kExitOk;
}

}  // namespace shelfwatch::cli

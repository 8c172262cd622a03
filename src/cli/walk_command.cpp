#include "cli/walk_command.h"

#include "cli/exit_codes.h"
#include "cli/table_output.h"

#include <iostream>

namespace shelfwatch::cli {

int finishWalk(CliContext& context, const TableOutput& output, bool failed) {
    std::string error;
    if (!writeTable(context.app.table, output, context.app.clock, std::cout, error)) {
        std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitFile;
    }
    return failed ? kExitFailure : kExitOk;
}

}  // namespace shelfwatch::cli

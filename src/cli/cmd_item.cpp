// Placeholder until the command is built.
#include "cli/cli_command.h"

#include <iostream>

namespace shelfwatch::cli {

int runItemCommand(CliContext&, const std::vector<std::string>&) {
    std::cerr << "shelfwatch-cli: command not available yet\n";
    return kExitUsage;
}

}  // namespace shelfwatch::cli

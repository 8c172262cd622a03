// What the search and list-page commands share: their options, the progress on
// standard error, Ctrl-C, and writing the finished table.
#pragma once

#include "cli/cli_command.h"
#include "cli/table_output.h"

#include <optional>
#include <string>
#include <vector>

namespace shelfwatch::cli {

struct WalkOptions {
    std::vector<std::string> positional;  // UTF-8 as given
    std::string pages = "1";
    std::optional<std::string> sort;       // UTF-8 caption
    std::optional<std::string> direction;  // UTF-8 caption
    std::string region;                    // UTF-8
    std::optional<int> workers;
    TableOutput output;
};

// `valueOptions` lists the options (without "--") that take a value and are
// allowed; "--json" and "--out" are always allowed. False with `error` set on an
// unknown option or a missing value.
bool parseWalkOptions(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                      WalkOptions& options, std::string& error);

// UTF-8 to GBK; false when a character has no GBK form.
bool toGbk(const std::string& utf8, std::string& gbk);

// Writes the table as asked; the exit code (`failed` gives kExitFailed).
int finishWalk(CliContext& context, const TableOutput& output, bool failed);

int usageError(const std::string& message);

}  // namespace shelfwatch::cli

// What the search and list-page commands share: writing the finished table and
// the page-count option both take.
#pragma once

#include "cli/command.h"
#include "cli/options.h"

#include <limits>

namespace shelfwatch::cli {

// The largest page count the options take.
inline constexpr int kMaxPages = std::numeric_limits<int>::max();

// Writes the table as asked; the exit code (`failed` gives kExitFailure).
int finishWalk(CliContext& context, const TableOutput& output, bool failed);

}  // namespace shelfwatch::cli

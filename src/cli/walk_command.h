// What the search and list-page commands share: writing the finished table and
// the page-count option both take.
#pragma once

#include "cli/command.h"
#include "cli/options.h"

#include <limits>
#include <string>
#include <string_view>

namespace shelfwatch::cli {

// The largest page count the options take.
inline constexpr int kMaxPages = std::numeric_limits<int>::max();

// Records the walk that just ended in the history (unless --no-history or the
// settings say not to); a failure to record is reported, not fatal.
void recordWalk(CliContext& context, std::string_view kind, std::string subject, int pages, bool interrupted);

// Writes the table as asked; the exit code (`failed` gives kExitFailure).
int finishWalk(CliContext& context, const TableOutput& output, bool failed);

}  // namespace shelfwatch::cli

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

// Before any request: whether the --out file can be written (its folder exists
// and takes a new file), so a walk's rows are never collected only to be lost.
// kExitOk, or kExitFile with the cause on standard error.
int checkOutput(const TableOutput& output);

// Ends a walk: when no list page could be fetched, says from which host and why
// and gives kExitUnreachable without touching the output (a previous --out file
// stays); otherwise writes the table as asked, says on standard error how many
// list pages and items were lost, and gives the exit code (`interrupted` gives
// kExitInterrupted, `failed` kExitFailure).
int finishWalk(CliContext& context, const TableOutput& output, bool failed, bool interrupted);

// "host: cause" of a failed fetch, for messages.
std::string describeFailure(const net::FetchFailure& failure);

}  // namespace shelfwatch::cli

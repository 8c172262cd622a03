// The headless front end's commands. main() takes the global options (--now,
// --data-dir, --version) out of the arguments, builds the context and hands the
// rest to one command; each command lives in its own file. Exit codes: 0 done,
// 2 bad arguments, 3 the job ran but reported a failure.
#pragma once

#include "app/app_context.h"

#include <string>
#include <vector>

namespace shelfwatch::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailed = 3;

struct CliContext {
    app::AppContext& app;
    bool nowPinned = false;
};

int runFetchCommand(CliContext& context, const std::vector<std::string>& args);
int runItemCommand(CliContext& context, const std::vector<std::string>& args);
int runSearchCommand(CliContext& context, const std::vector<std::string>& args);
int runListPageCommand(CliContext& context, const std::vector<std::string>& args);
int runStatsCommand(CliContext& context, const std::vector<std::string>& args);

// Usage text of every command, for "bad arguments".
std::string usageText();

}  // namespace shelfwatch::cli

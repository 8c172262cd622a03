// shelfwatch-cli task: runs every task saved in task_cfg.ini once, as the
// scheduler's unattended run does, and writes the reports under
// <data dir>/reports/<run stamp>/ with run.log beside them.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "task/task_run.h"
#include "text/gbk_text.h"

#include <iostream>
#include <string>

namespace shelfwatch::cli {
namespace {

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

int runTask(CliContext& context) {
    task::TaskRunOptions options = task::defaultRunOptions(context.app.dataDir);
    options.showMessages = false;
    const task::TaskRunResult result = task::runTasks(context.app, options);
    if (context.quiet) return kExitOk;
    if (result.folder.empty()) {
        std::cout << "no tasks in " << utf8Path(options.taskFile) << "\n";
        return kExitOk;
    }
    std::cout << "reports in " << utf8Path(result.folder) << "\n";
    for (const task::TaskOutcome& outcome : result.tasks) {
        if (!outcome.report.empty()) {
            std::cout << "  " << utf8Path(outcome.report.filename()) << ": " << outcome.rows << " rows\n";
        }
        if (!outcome.error.empty()) {
            std::cerr << "shelfwatch-cli: " << text::gbkToUtf8(outcome.error) << "\n";
        }
    }
    return kExitOk;
}

}  // namespace

void registerTaskCommand(Commands& commands) {
    commands.add("task",
                 "run every saved task once and write its report under reports/ in the data folder "
                 "(for a scheduler)",
                 "shelfwatch-cli task\nshelfwatch-cli --data-dir ~/shelfwatch task",
                 [](CliContext& context, const CLI::App&) { return runTask(context); });
}

}  // namespace shelfwatch::cli

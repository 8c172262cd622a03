// Start-up of the desktop program: the process environment Qt and the web
// engine need, the program's own arguments, the first-argument rule (task mode,
// or an unrecognised argument that is reported before the normal start), the
// creation steps of the main window and the message loop. Window thread only.
#pragma once

#include "item/listing_time.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace shelfwatch::gui {

struct GuiContext;

// Before QApplication exists. Returns true when the program runs headless: task
// mode where no display is available (the offscreen platform is chosen then).
bool prepareProcessEnvironment(int argc, char** argv);

struct StartArguments {
    std::vector<std::string> args;  // GBK, program path and options taken out
    std::optional<std::filesystem::path> dataDir;
    // "--now YYYY-MM-DD HH:MM:SS": the China time taken as now (tests, reruns of a day's task).
    std::optional<item::DateTime> now;
};
// The command line after Qt took its own options and the program its own.
StartArguments readStartArguments();

enum class StartMode { Interactive, Task };
struct StartDecision {
    StartMode mode = StartMode::Interactive;
    std::optional<std::string> unknownArgument;  // GBK; reported before the start
};
// Only the first argument counts: exactly "task" runs task mode.
StartDecision decideStart(const std::vector<std::string>& args);

// The optional skin: applied when the skin library is installed beside the
// program, otherwise the toolkit's own look stays.
void applySkin(const std::filesystem::path& programDir);

// The main window's creation steps, then the message loop until the window is
// closed (or the task run). Returns the process exit code. The window stays
// hidden in task mode.
int runMainWindow(GuiContext& ctx, const StartDecision& decision);

// Ends the process at once: detached workers end with it, nothing waits for them.
[[noreturn]] void endProcess(int exitCode);

}  // namespace shelfwatch::gui

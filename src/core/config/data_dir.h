// The folder that holds every file the program keeps beside itself (settings,
// tasks, reports, collected items): the program's own directory when it is
// writable, else the per-user data directory ($XDG_DATA_HOME/shelfwatch, or
// ~/.local/share/shelfwatch); `--data-dir DIR` overrides both. The program
// directory itself (for res/) is where the executable lives.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace shelfwatch::config {

std::filesystem::path programDir();
std::filesystem::path resolveDataDir(const std::optional<std::filesystem::path>& override);

// Takes "--data-dir DIR" / "--data-dir=DIR" out of `args` (the program's own
// options, like Qt takes out its own); returns the last value given.
std::optional<std::filesystem::path> takeDataDirOption(std::vector<std::string>& args);

}  // namespace shelfwatch::config

// The exit codes of shelfwatch-cli, one meaning each, so scripts can tell a
// mistyped command from a marketplace that is down. --help and the README list
// them; exitCodesHelp() is the one text both take them from.
#pragma once

#include <string>

namespace shelfwatch::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // the job ran and failed
inline constexpr int kExitUsage = 2;        // the command line itself is wrong
inline constexpr int kExitItemGone = 3;     // the item is removed or a guide page
inline constexpr int kExitUnreachable = 4;  // the marketplace could not be reached
inline constexpr int kExitFile = 5;         // a file could not be read or written
inline constexpr int kExitInterrupted = 130;

// The list for --help, one code a line.
std::string exitCodesHelp();

}  // namespace shelfwatch::cli

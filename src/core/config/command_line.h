// Splitting a raw command line (as the system hands it to a program) into its
// arguments: the program path is skipped, a double quote opens an argument that
// runs to the next one, any byte below '!' separates, double-byte characters stay
// whole, and "" gives an empty argument.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::config {

std::vector<std::string> splitCommandLine(std::string_view commandLine);

}  // namespace shelfwatch::config

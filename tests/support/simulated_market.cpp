#include "support/simulated_market.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace shelfwatch::testing {

namespace {

// Single quotes keep '?', '&', '"' and spaces away from the shell.
std::string shellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CliRun runCli(const std::vector<std::string>& args, const std::string& stdinText) {
    const std::filesystem::path scratch = makeTempDir("shelfwatch-cli-run-");
    std::ofstream(scratch / "in", std::ios::binary) << stdinText;
    std::string command = shellQuoted(SHELFWATCH_CLI_PATH);
    for (const std::string& arg : args) command += " " + shellQuoted(arg);
    command += " <" + shellQuoted((scratch / "in").string()) + " >" +
               shellQuoted((scratch / "out").string()) + " 2>" + shellQuoted((scratch / "err").string());
    CliRun run;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    run.exitCode = status;
#else
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = readFile(scratch / "out");
    run.err = readFile(scratch / "err");
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return run;
}

}  // namespace shelfwatch::testing

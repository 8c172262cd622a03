// What the command-line program does when its output cannot be written: an
// unusable --out is refused before any request, a write that fails part-way
// keeps the previous file, and a failing standard output is an error, not a
// silent success. The real binary against the simulator.
#include "item_pages.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::readFile;

class CliOutputTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    std::vector<std::string> withGlobals(const std::vector<std::string>& args) const {
        std::vector<std::string> all = {"--data-dir", dataDir.string(), "--now", testing::kCliNow};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }

    bool leftoverParts() const {
        for (const auto& entry : fs::directory_iterator(dataDir)) {
            if (entry.path().filename().string().find(".part-") != std::string::npos) return true;
        }
        return false;
    }
};

#ifndef _WIN32
// Runs the binary with standard output going to `stdoutPath` and, when
// `fileSizeLimit` is set, every file it writes limited to that many bytes (as a
// full disk would stop it). Standard error is returned in `err`.
CliRun runLimited(const std::vector<std::string>& args, const std::string& stdoutPath, rlim_t fileSizeLimit) {
    const fs::path errFile = testing::makeTempDir("shelfwatch-limited-") / "err";
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(stdoutPath.c_str(), O_WRONLY);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (fileSizeLimit > 0) {
            // The write then fails with EFBIG instead of killing the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SHELFWATCH_CLI_PATH));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(SHELFWATCH_CLI_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    CliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(errFile);
    std::error_code ignored;
    fs::remove_all(errFile.parent_path(), ignored);
    return run;
}
#endif

TEST_F(CliOutputTest, AnUnwritableOutIsRefusedBeforeAnyRequest) {
    fs::create_directories(dataDir / "taken.csv");
    const std::string listAddress = "http://" + market.searchHost + "/list/x.htm?q=a";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"search", "a", "--out", (dataDir / "missing" / "rows.csv").string()},
         5,
         "the folder does not exist"},
        {{"listpage", listAddress, "--out", (dataDir / "missing" / "rows.json").string()},
         5,
         "the folder does not exist (list-page walk)"},
        {{"search", "a", "--out", (dataDir / "taken.csv").string()}, 5, "the target is a folder"},
        {{"search", "a", "--out", (dataDir / "market.ini" / "rows.xlsx").string()},
         5,
         "the folder is a file"},
        {{"search", "a", "--out", (dataDir / "rows.txt").string()}, 2, "an extension no form has"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("shelfwatch-cli: "), std::string::npos);
        EXPECT_TRUE(server.requests().empty());
    }
    const CliRun html = cli(
        {"stats", (dataDir / "market.ini").string(), "--html", (dataDir / "missing" / "r.html").string()});
    EXPECT_EQ(html.exitCode, 5) << html.err;
    EXPECT_EQ(html.out, "");
    EXPECT_FALSE(leftoverParts());
}

#ifndef _WIN32
TEST_F(CliOutputTest, AReadOnlyFolderIsRefusedBeforeAnyRequest) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const fs::path folder = dataDir / "read-only";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const CliRun run = cli({"search", "a", "--out", (folder / "rows.csv").string()});
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(CliOutputTest, AFailedWriteKeepsThePreviousFile) {
    // Each file is first written whole; the second run's larger output then
    // meets a 2 KiB file-size limit part-way.
    struct Case {
        std::vector<std::string> firstRun;
        std::vector<std::string> secondRun;
        std::string target;
    };
    const std::string csv = (dataDir / "rows.csv").string();
    const std::string json = (dataDir / "rows.json").string();
    const std::string xlsx = (dataDir / "rows.xlsx").string();
    const std::string html = (dataDir / "report.html").string();
    const std::vector<Case> cases = {
        {{"search", "连衣裙", "--out", csv}, {"search", "连衣裙", "--pages", "2", "--out", csv}, csv},
        {{"search", "连衣裙", "--out", json}, {"search", "连衣裙", "--pages", "2", "--out", json}, json},
        {{"search", "连衣裙", "--out", xlsx}, {"search", "连衣裙", "--pages", "2", "--out", xlsx}, xlsx},
        {{"stats", csv, "--html", html}, {"stats", csv, "--html", html}, html},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const CliRun first = cli(c.firstRun);
        ASSERT_EQ(first.exitCode, 0) << first.err;
        const std::string before = readFile(c.target);
        ASSERT_GT(before.size(), 2048u);
        const CliRun second = runLimited(withGlobals(c.secondRun), "/dev/null", 2048);
        EXPECT_EQ(second.exitCode, 5) << second.err;
        EXPECT_NE(second.err.find("shelfwatch-cli: "), std::string::npos) << second.err;
        EXPECT_EQ(readFile(c.target), before);
        EXPECT_FALSE(leftoverParts());
    }
}

TEST_F(CliOutputTest, AFullStandardOutputFails) {
    const std::string csv = (dataDir / "rows.csv").string();
    ASSERT_EQ(cli({"search", "连衣裙", "--out", csv}).exitCode, 0);
    const std::string item = sim::itemUrl(server.host(), sim::fixture::kWorkedExample);
    const std::string listAddress = "http://" + market.searchHost + "/list/x.htm?q=%C1%AC%D2%C2%C8%B9";
    const std::vector<std::vector<std::string>> cases = {
        {"search", "连衣裙"}, {"search", "连衣裙", "--json"}, {"listpage", listAddress},
        {"item", item},       {"item", item, "--json"},       {"fetch", item},
        {"stats", csv},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.front() + " " + args.back());
        const CliRun run = runLimited(withGlobals(args), "/dev/full", 0);
        EXPECT_EQ(run.exitCode, 5) << run.err;
        EXPECT_NE(run.err.find("cannot write to standard output"), std::string::npos) << run.err;
    }
}
#endif

}  // namespace
}  // namespace shelfwatch

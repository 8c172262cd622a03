// Failures that show: a marketplace that cannot be reached, pages lost on the
// way and interrupts, as the real binary reports them against the simulator.
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::readFile;

class CliFailuresTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    std::string listAddress() const {
        return "http://" + market.searchHost + sim::kListPagePrefix + "x.htm?q=%C1%AC%D2%C2%C8%B9";  // 连衣裙
    }
};

TEST_F(CliFailuresTest, AMarketplaceThatCannotBeReachedExitsFourAndKeepsTheOutput) {
    const fs::path out = dataDir / "rows.csv";
    std::ofstream(out) << "rows of an earlier run";
    const std::string host = server.host();
    server.stop();
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"search", "连衣裙", "--out", out.string()}, "every search page refused"},
        {{"search", "连衣裙", "--pages", "3", "--json"}, "every search page refused, JSON"},
        {{"listpage", listAddress(), "--out", out.string()}, "every list page refused"},
        {{"item", sim::itemUrl(host, sim::fixture::kWorkedExample)}, "the item page refused"},
        {{"fetch", "http://" + host + "/"}, "the page refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, 4) << run.err;
        // The host and the cause, not just a failure.
        EXPECT_NE(run.err.find("127.0.0.1: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("refused"), std::string::npos) << run.err;
    }
    EXPECT_EQ(readFile(out), "rows of an earlier run");
}

TEST_F(CliFailuresTest, LostItemPagesAreCountedAndTheRowsKept) {
    sim::Fault down;
    down.status = 503;
    server.setFault(sim::kItemPagePath, down);
    const CliRun run = cli({"search", "连衣裙", "--json"});
    // Some of the walk came through: a count, not exit 4, and the usual end text.
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json rows = nlohmann::json::parse(run.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_NE(run.err.find("lost 0 of 1 list pages and " + std::to_string(rows.size()) + " item pages"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("完成操作。"), std::string::npos);
    for (const nlohmann::json& row : rows) EXPECT_NE(row["url"].get<std::string>(), "");
}

TEST_F(CliFailuresTest, ADataFolderWithoutMarketIniIsNamed) {
    const fs::path bare = dataDir / "bare";
    fs::create_directories(bare);
    struct Case {
        fs::path folder;
        const char* warning;  // nullptr: none
    };
    const std::vector<Case> cases = {
        {dataDir / "mistyped", "does not exist"},
        {bare, "has no market.ini"},
        {dataDir, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.string());
        const CliRun run =
            testing::runCli({"--data-dir", c.folder.string(), "stats", (dataDir / "none.csv").string()});
        EXPECT_EQ(run.exitCode, 5);
        EXPECT_EQ(run.err.find("warning") != std::string::npos, c.warning != nullptr) << run.err;
        if (c.warning != nullptr) {
            EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
        }
    }
}

#ifndef _WIN32
// The binary with its standard output and error read until it ends; `onError`
// sees standard error as it grows and may send signals.
struct Interrupted {
    std::string out;
    std::string err;
    int status = 0;
};

template <typename OnError>
Interrupted runAndInterrupt(const std::vector<std::string>& args, OnError onError) {
    int errPipe[2];
    int outPipe[2];
    if (pipe(errPipe) != 0 || pipe(outPipe) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(errPipe[1], 2);
        dup2(outPipe[1], 1);
        close(errPipe[0]);
        close(outPipe[0]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SHELFWATCH_CLI_PATH));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(SHELFWATCH_CLI_PATH, argv.data());
        _exit(127);
    }
    close(errPipe[1]);
    close(outPipe[1]);
    Interrupted result;
    char buffer[4096];
    ssize_t n = 0;
    bool done = false;
    while (!done && (n = read(errPipe[0], buffer, sizeof buffer)) > 0) {
        result.err.append(buffer, static_cast<std::size_t>(n));
        done = onError(child, result.err);
    }
    while ((n = read(outPipe[0], buffer, sizeof buffer)) > 0)
        result.out.append(buffer, static_cast<std::size_t>(n));
    while ((n = read(errPipe[0], buffer, sizeof buffer)) > 0)
        result.err.append(buffer, static_cast<std::size_t>(n));
    close(outPipe[0]);
    close(errPipe[0]);
    waitpid(child, &result.status, 0);
    return result;
}

TEST_F(CliFailuresTest, CtrlCStopsTheListPageWalkAndWritesItsRows) {
    // Without a stop the walk would ask for a million slow list pages.
    sim::Fault slow;
    slow.latencyMs = 100;
    server.setFault(sim::kListPagePrefix, slow);
    std::vector<std::string> args = {"--data-dir", dataDir.string(), "--now",   testing::kCliNow,
                                     "listpage",   listAddress(),    "--pages", "1000000"};
    bool sent = false;
    const Interrupted run = runAndInterrupt(args, [&sent](pid_t child, const std::string& err) {
        if (err.find("当前第3页") == std::string::npos) return false;
        kill(child, SIGINT);
        sent = true;
        return true;
    });
    ASSERT_TRUE(sent) << run.err;
    ASSERT_TRUE(WIFEXITED(run.status)) << run.err;
    EXPECT_EQ(WEXITSTATUS(run.status), 130);
    EXPECT_NE(run.err.find("线程已停止操作。"), std::string::npos) << run.err;
    // The first pages' rows, header first.
    EXPECT_EQ(run.out.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_GT(std::count(run.out.begin(), run.out.end(), '\n'), 1);
}

#endif

}  // namespace
}  // namespace shelfwatch

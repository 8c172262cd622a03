// The command line's own surface as a user meets it, through the real binary:
// help goes to standard output with exit 0, every usage error is one line plus a
// hint with exit 2, and a malformed number is refused before any request.
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using testing::CliRun;

class CliUsageTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    std::string listAddress() const { return "http://" + market.searchHost + "/list/x.htm?q=a"; }
};

struct HelpCase {
    std::vector<std::string> args;
    std::vector<std::string> shows;  // each must be in standard output
    const char* reason;
};

TEST_F(CliUsageTest, HelpGoesToStandardOutputAndSucceeds) {
    const std::vector<HelpCase> cases = {
        {{"--help"},
         {"Usage: shelfwatch-cli", "search", "listpage", "item", "stats", "fetch"},
         "command list"},
        {{"--help"},
         {"Exit codes:", "  2    usage error", "  3    the item is removed", "  130  interrupted"},
         "scripts need the exit codes"},
        {{"-h"}, {"Usage: shelfwatch-cli"}, "the short form"},
        {{"search", "--help"},
         {"KEYWORD", "--pages N=1", "--workers", "--out FILE", "Example:\n  shelfwatch-cli search"},
         "options with defaults and an example"},
        {{"listpage", "-h"},
         {"URL", "--pages N=1", "Example:\n  shelfwatch-cli listpage"},
         "short form on a command"},
        {{"item", "--help"}, {"--json", "Example:\n  shelfwatch-cli item"}, "item"},
        {{"stats", "--help"}, {"--html", "Example:\n  shelfwatch-cli stats"}, "stats"},
        {{"fetch", "--help"}, {"--referrer", "Example:\n  shelfwatch-cli fetch"}, "fetch"},
    };
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        for (const std::string& text : c.shows) EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
    EXPECT_TRUE(server.requests().empty());
}

struct UsageCase {
    std::vector<std::string> args;
    std::string names;  // what the error line must mention
    std::string hint;   // the command whose help the hint points to
    const char* reason;
};

TEST_F(CliUsageTest, UsageErrorsAreOneLineAndAHintBeforeAnyRequest) {
    const std::string list = listAddress();
    const std::vector<UsageCase> cases = {
        {{}, "subcommand", "", "no command"},
        {{"frobnicate"}, "frobnicate", "", "unknown command"},
        {{"search", "a", "--pages", "abc"}, "--pages", "search ", "not a number"},
        {{"search", "a", "--pages", "2x"}, "2x", "search ", "trailing garbage was once read as 2"},
        {{"search", "a", "--pages", "1e3"}, "1e3", "search ", "exponent was once read as 1"},
        {{"search", "a", "--pages", "0x10"}, "0x10", "search ", "no hexadecimal"},
        {{"search", "a", "--pages", "+3"}, "+3", "search ", "digits only"},
        {{"search", "a", "--pages", "0"}, "--pages", "search ", "at least one page"},
        {{"search", "a", "--pages", "-1"}, "--pages", "search ", "negative"},
        {{"search", "a", "--pages", "99999999999"}, "--pages", "search ", "beyond int"},
        {{"search", "a", "--pages", ""}, "--pages", "search ", "empty"},
        {{"search", "a", "--workers", "0"}, "--workers", "search ", "no workers"},
        {{"search", "a", "--workers", "17"}, "--workers", "search ", "above the pool's limit"},
        {{"search", "a", "--pages"}, "--pages", "search ", "missing value"},
        {{"search", "a", "--sort", "fast"}, "--sort", "search ", "not a sort key"},
        {{"search", "a", "--direction", "up"}, "--direction", "search ", "not a direction"},
        {{"search", "a", "--out", "rows.txt"},
         "rows.txt",
         "search ",
         "unknown output format, before the walk"},
        {{"search", "a", "--bogus", "1"}, "--bogus", "search ", "unknown option"},
        {{"search"}, "KEYWORD", "search ", "missing keyword"},
        {{"search", ""}, "KEYWORD", "search ", "empty keyword"},
        {{"search", "a", "b"}, "b", "search ", "extra argument"},
        {{"search", "😀"}, "GBK", "search ", "no GBK form"},
        {{"listpage", list, "--pages", "1e3"}, "1e3", "listpage ", "strict on every command"},
        {{"listpage", list, "--workers", "2"}, "--workers", "listpage ", "listpage has no workers"},
        {{"listpage"}, "URL", "listpage ", "missing address"},
        {{"item"}, "URL", "item ", "missing address"},
        {{"item", "--json"}, "URL", "item ", "a flag is no address"},
        {{"item", "http://a/", "http://b/"}, "http://b/", "item ", "two addresses"},
        {{"stats"}, "FILE", "stats ", "missing input"},
        {{"stats", "a.csv", "--html"}, "--html", "stats ", "missing value"},
        {{"fetch", "--referrer"}, "--referrer", "fetch ", "missing value"},
        {{"--now", "yesterday", "item", "http://a/"}, "--now", "item ", "unreadable pinned time"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        const std::string first = run.err.substr(0, run.err.find('\n'));
        EXPECT_EQ(first.rfind("shelfwatch-cli: ", 0), 0u) << first;
        EXPECT_NE(first.find(c.names), std::string::npos) << first;
        EXPECT_NE(run.err.find("Run 'shelfwatch-cli " + c.hint + "--help'"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(CliUsageTest, GlobalOptionsWorkOnEitherSideOfTheCommand) {
    const CliRun before = cli({"--quiet", "stats", "-"});
    const CliRun after = cli({"stats", "-", "--quiet"});
    EXPECT_EQ(before.exitCode, 0) << before.err;
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(before.out, after.out);
    const CliRun version = cli({"stats", "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("shelfwatch-cli ", 0), 0u);
}

}  // namespace
}  // namespace shelfwatch

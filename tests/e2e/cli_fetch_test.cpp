#include "net/cookie_jar.h"
#include "net/page_fetcher.h"

#include "market_sim.h"
#include "sim_routes.h"
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

using namespace shelfwatch;

struct RunResult {
    int exitCode = -1;
    std::string out;
};

RunResult runCli(const std::string& arguments) {
    RunResult result;
    const std::string command = std::string("'") + SHELFWATCH_CLI_PATH + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class CliFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::installMarketRoutes(m_sim);
        m_sim.route("/binary", [](const sim::Request&) {
            sim::Response r;
            r.body = std::string("\x01\xB1\xA6\xB1\xB4\r\n\xFF", 8);
            return r;
        });
        ASSERT_TRUE(m_sim.start());
    }
    sim::MarketSim m_sim;
};

TEST_F(CliFetchTest, WritesTheBodyFetchPageReturns) {
    net::CookieJar jar;
    net::CurlFetcher fetcher(jar);
    const std::string home = "http://" + m_sim.host() + "/";
    const RunResult run = runCli("fetch " + home);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, fetcher.fetchPage(home, ""));
    EXPECT_NE(run.out.find(sim::homeSpmValue(m_sim.seed())), std::string::npos);

    const RunResult binary = runCli("fetch http://" + m_sim.host() + "/binary --referrer http://r.example/");
    EXPECT_EQ(binary.exitCode, 0);
    EXPECT_EQ(binary.out, std::string("\x01\xB1\xA6\xB1\xB4\r\n\xFF", 8));
    EXPECT_EQ(m_sim.requests().back().header("Referer"), "http://r.example/");
}

TEST_F(CliFetchTest, FailedFetchPrintsNothingAndBadArgumentsAreUsage) {
    const RunResult failed = runCli("fetch http://nonexistent.invalid/");
    EXPECT_EQ(failed.exitCode, 0);
    EXPECT_EQ(failed.out, "");
    const char* bad[] = {"fetch", "fetch --referrer", "fetch http://a/ http://b/", "fetch --bogus http://a/"};
    for (const char* args : bad) {
        SCOPED_TRACE(args);
        const RunResult run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(CliFetchTest, PrintsItsVersion) {
    const RunResult run = runCli("--version");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("shelfwatch-cli ", 0), 0u);
}

}  // namespace

#include "net/cookie_jar.h"
#include "net/page_fetcher.h"

#include "market_sim.h"
#include "sim_routes.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace shelfwatch;

using shelfwatch::testing::CliRun;
using shelfwatch::testing::runCli;

class CliFetchTest : public ::testing::Test, protected shelfwatch::testing::SimulatedMarket {
  protected:
    void SetUp() override {
        server.route("/binary", [](const sim::Request&) {
            sim::Response r;
            r.body = std::string("\x01\xB1\xA6\xB1\xB4\r\n\xFF", 8);
            return r;
        });
        ASSERT_TRUE(start());
    }
};

TEST_F(CliFetchTest, WritesTheBodyFetchPageReturns) {
    net::CookieJar jar;
    net::CurlFetcher fetcher(jar);
    const std::string home = "http://" + server.host() + "/";
    const CliRun run = runCli({"fetch", home});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, fetcher.fetchPage(home, ""));
    EXPECT_NE(run.out.find(sim::homeSpmValue(server.seed())), std::string::npos);

    const CliRun binary =
        runCli({"fetch", "http://" + server.host() + "/binary", "--referrer", "http://r.example/"});
    EXPECT_EQ(binary.exitCode, 0);
    EXPECT_EQ(binary.out, std::string("\x01\xB1\xA6\xB1\xB4\r\n\xFF", 8));
    EXPECT_EQ(server.requests().back().header("Referer"), "http://r.example/");
}

TEST_F(CliFetchTest, FailedFetchPrintsNothingAndBadArgumentsAreUsage) {
    // Not reachable: nothing printed, exit 4 with the host and the cause.
    const CliRun failed = runCli({"fetch", "http://nonexistent.invalid/"});
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("nonexistent.invalid"), std::string::npos) << failed.err;
    const std::vector<std::vector<std::string>> bad = {{"fetch"},
                                                       {"fetch", "--referrer"},
                                                       {"fetch", "http://a/", "http://b/"},
                                                       {"fetch", "--bogus", "http://a/"}};
    for (const std::vector<std::string>& args : bad) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(CliFetchTest, PrintsItsVersion) {
    const CliRun run = runCli({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("shelfwatch-cli ", 0), 0u);
}

}  // namespace

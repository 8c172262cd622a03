// The history through the real binary: walks are recorded as they finish,
// listed, compared by query and pruned; and the best hours of a table.
#include "support/simulated_market.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>

namespace shelfwatch {
namespace {

using testing::CliRun;

class HistoryCliTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    nlohmann::json runs() const {
        const CliRun listed = cli({"history", "--json"});
        EXPECT_EQ(listed.exitCode, 0) << listed.err;
        return nlohmann::json::parse(listed.out);
    }
};

TEST_F(HistoryCliTest, WalksAreRecordedAndComparedWithTheSameQueryOnly) {
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", (dataDir / "a.csv").string()}).exitCode, 0);
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", (dataDir / "b.csv").string()}).exitCode, 0);
    // Not recorded.
    ASSERT_EQ(cli({"--no-history", "search", "连衣裙", "--out", (dataDir / "c.csv").string()}).exitCode, 0);

    nlohmann::json listed = runs();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["id"], 2);  // newest first
    EXPECT_EQ(listed[0]["kind"], "keyword");
    EXPECT_EQ(listed[0]["subject"], "连衣裙");
    EXPECT_EQ(listed[0]["pages"], 2);
    EXPECT_EQ(listed[0]["time"], "2014-07-31 08:00:00");
    EXPECT_GT(listed[0]["rows"].get<int>(), 0);
    EXPECT_EQ(listed[0]["rows"], listed[1]["rows"]);

    // The same catalogue twice: nothing changed.
    const CliRun same = cli({"diff", "--json"});
    ASSERT_EQ(same.exitCode, 0) << same.err;
    const nlohmann::json diff = nlohmann::json::parse(same.out);
    EXPECT_EQ(diff["from"], 1);
    EXPECT_EQ(diff["to"], 2);
    for (const char* part : {"new", "gone", "relisted", "changed"}) EXPECT_TRUE(diff[part].empty()) << part;
    const CliRun readable = cli({"diff"});
    ASSERT_EQ(readable.exitCode, 0);
    EXPECT_NE(readable.out.find("0 new, 0 gone, 0 relisted, 0 changed"), std::string::npos) << readable.out;

    // A newer run of another keyword has no earlier run of its own to compare with.
    ASSERT_EQ(cli({"search", "T恤", "--out", (dataDir / "d.csv").string()}).exitCode, 0);
    const CliRun other = cli({"diff"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("no earlier complete run"), std::string::npos) << other.err;
    // Named explicitly, it compares with anything: every item of one is gone or new.
    const CliRun asked = cli({"diff", "2", "3", "--json"});
    ASSERT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_FALSE(nlohmann::json::parse(asked.out)["new"].empty());

    EXPECT_EQ(cli({"diff", "9"}).exitCode, 1);
    EXPECT_EQ(cli({"diff", "x"}).exitCode, 2);
}

TEST_F(HistoryCliTest, PruneAndItsUsage) {
    ASSERT_EQ(cli({"search", "连衣裙", "--out", (dataDir / "a.csv").string()}).exitCode, 0);
    EXPECT_EQ(cli({"history", "--prune-older-than", "90"}).exitCode, 2);
    EXPECT_EQ(cli({"history", "--prune-older-than", "1d"}).exitCode, 0);
    EXPECT_EQ(runs().size(), 1u);  // recorded at the pinned now, not a day old
    EXPECT_EQ(cli({"history", "--prune-older-than", "0d", "--now", "2014-08-02 10:00:00"}).exitCode, 0);
    EXPECT_TRUE(runs().empty());
}

TEST_F(HistoryCliTest, NoHistoryYetIsAnEmptyList) {
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(cli({"diff"}).exitCode, 1);
}

TEST_F(HistoryCliTest, StatsBestHours) {
    const std::string csv = (dataDir / "r.csv").string();
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", csv}).exitCode, 0);
    const CliRun best = cli({"stats", csv, "--best", "4"});
    ASSERT_EQ(best.exitCode, 0) << best.err;
    EXPECT_EQ(std::count(best.out.begin(), best.out.end(), '\n'), 4) << best.out;
    // Date, weekday, hour, count: prime hours only (9-23 by default), fewest first.
    std::istringstream lines(best.out);
    std::string date, weekday, hour;
    int count = 0, previous = 0;
    while (lines >> date >> weekday >> hour >> count) {
        EXPECT_EQ(date.rfind("2014-", 0), 0u) << best.out;
        const int h = std::stoi(hour);
        EXPECT_TRUE(h >= 9 && h <= 23) << best.out;
        EXPECT_GE(count, previous) << best.out;
        previous = count;
    }
    EXPECT_EQ(cli({"stats", csv, "--best", "0"}).exitCode, 2);
}

}  // namespace
}  // namespace shelfwatch

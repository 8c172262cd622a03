// The store, category and categories commands as a user runs them: the real
// binary against the simulated list service.
#include "text/gbk_text.h"

#include "catalogue.h"
#include "list_service.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using testing::CliRun;
using text::gbk;

class ListServiceCliE2e : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    std::size_t listRequests() const {
        std::size_t n = 0;
        for (const sim::LoggedRequest& r : server.requests())
            n += r.target.rfind(sim::kListServicePath, 0) == 0;
        return n;
    }
    std::size_t matches(const std::string& cat, const std::string& nickGbk = {},
                        const std::string& keywordGbk = {}) const {
        sim::ListServiceRequest request;
        request.cat = cat;
        request.byNick = !nickGbk.empty();
        request.nick = nickGbk;
        request.keyword = keywordGbk;
        return sim::listServiceMatches(sim::catalogueFor(server.seed()), request).size();
    }
};

TEST_F(ListServiceCliE2e, StorePrintsTheSellersRows) {
    const CliRun run = cli({"--quiet", "store", " 小美的店 ", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json rows = nlohmann::json::parse(run.out);
    ASSERT_EQ(rows.size(), matches("0", gbk("小美的店")));
    std::size_t located = 0;
    for (const nlohmann::json& row : rows) {
        EXPECT_EQ(row["seller"], "小美的店");
        located += row["location"] == "浙江杭州";
    }
    EXPECT_GT(located, 0u) << "the item-page columns are filled";
}

TEST_F(ListServiceCliE2e, CategoryListsPagesOfForty) {
    const CliRun run = cli({"--quiet", "category", "16", "--pages", "2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out).size(), std::min<std::size_t>(80, matches("16")));
    EXPECT_EQ(listRequests(), 2u);
}

TEST_F(ListServiceCliE2e, CategoryKeywordIsCheckedBeforeAnyRequest) {
    const CliRun blank = cli({"category", "16", "--keyword", "  "});
    EXPECT_EQ(blank.exitCode, 2);
    EXPECT_NE(blank.err.find("请输入关键词"), std::string::npos) << blank.err;
    EXPECT_TRUE(server.requests().empty());

    const CliRun run = cli({"--quiet", "category", "16", "--keyword", "运动鞋", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out).size(),
              std::min<std::size_t>(40, matches("16", {}, gbk("运动鞋"))));
}

TEST_F(ListServiceCliE2e, CategoriesListsTheLevelBelow) {
    const CliRun first = cli({"categories"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    std::string expected;
    for (const sim::SimCategory& c : sim::simFirstLevel()) {
        expected += std::to_string(text::toInt(c.value)) + "\t" + c.name + "\n";
    }
    expected += std::to_string(matches("0")) + "\n";
    EXPECT_EQ(first.out, expected) << "the category named by a word is listed with id 0";

    const CliRun grouped = cli({"categories", "16", "--json"});
    ASSERT_EQ(grouped.exitCode, 0) << grouped.err;
    const nlohmann::json out = nlohmann::json::parse(grouped.out);
    EXPECT_EQ(out["id"], 16);
    EXPECT_EQ(out["total"], std::to_string(matches("16")));
    ASSERT_EQ(out["categories"].size(), 5u) << "both groups, flattened in order";
    const std::vector<sim::SimCategory> level = sim::simSubLevel("16");
    for (std::size_t i = 0; i < level.size(); ++i) {
        EXPECT_EQ(out["categories"][i]["name"], level[i].name);
        EXPECT_EQ(out["categories"][i]["id"], text::toInt(level[i].value));
    }
}

}  // namespace
}  // namespace shelfwatch

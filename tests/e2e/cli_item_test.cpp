// The item command of the real shelfwatch-cli binary against the simulator.
#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using testing::CliRun;

class CliItemTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    std::string urlOf(std::int64_t id) const { return sim::itemUrl(server.host(), id); }
};

TEST_F(CliItemTest, PrintsTheTenReportLines) {
    const std::string url = urlOf(sim::fixture::kWorkedExample);
    const CliRun r = cli({"item", url});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "被查看网址：" + url +
                         "\n"
                         "网页标题：2014夏季新款 韩版修身连衣裙\n"
                         "店主：小美的店\n"
                         "上架时间：2014年7月25日8时\n"
                         "下架时间：2014年8月1日8时\n"
                         "剩余分钟：1440\n"
                         "剩余库存：70\n"
                         "当前销量：30\n"
                         "商品售价：128.00\n"
                         "所在地：浙江杭州\n");
}

TEST_F(CliItemTest, JsonGivesTheTypedRecord) {
    const std::string url = urlOf(sim::fixture::kMallTraditional);
    const CliRun r = cli({"item", url + "\" target=\"_blank", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::ordered_json record = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : record.items()) keys.push_back(key);
    // The shape of a row of search --json.
    EXPECT_EQ(keys, (std::vector<std::string>{"seq", "title", "url", "seller", "startTime", "startIso",
                                              "endTime", "endIso", "minutesLeft", "sales", "stock", "isMall",
                                              "price", "location", "message"}));
    EXPECT_TRUE(record["seq"].is_null());
    EXPECT_EQ(record["url"], url);
    EXPECT_EQ(record["title"], "宝丽 保温杯 大容量");
    EXPECT_EQ(record["isMall"], true);
    EXPECT_EQ(record["stock"], 57);
    EXPECT_EQ(record["sales"], 1234);
    EXPECT_EQ(record["seller"], "宝丽国际旗舰店");
    EXPECT_EQ(record["startTime"], "2014年7月28日8时");
    EXPECT_EQ(record["startIso"], "2014-07-28T08:00:00+08:00");
    EXPECT_EQ(record["endTime"], "2014年8月4日8时");
    EXPECT_EQ(record["endIso"], "2014-08-04T08:00:00+08:00");
    EXPECT_EQ(record["minutesLeft"], 4 * 1440);
    EXPECT_TRUE(record["message"].is_null());
    EXPECT_EQ(record["location"], "广东深圳");
    EXPECT_EQ(record["price"], "199.00");
}

TEST_F(CliItemTest, RemovedItemOrGuidePageExitsThree) {
    const CliRun text = cli({"item", urlOf(sim::fixture::kRemoved)});
    EXPECT_EQ(text.exitCode, 3);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "很抱歉，您查看的宝贝不存在，可能已下架或者被转移\n");

    // With --json the message is part of the record, and the exit code says it too.
    const CliRun json = cli({"item", urlOf(sim::fixture::kGuide), "--json"});
    EXPECT_EQ(json.exitCode, 3);
    const nlohmann::json record = nlohmann::json::parse(json.out);
    EXPECT_EQ(record["message"], "暂时无法获取‘我帮你’页面的数据");
    EXPECT_EQ(record["title"], "我帮你买");
    EXPECT_EQ(record["isMall"], false);
}

TEST_F(CliItemTest, UnreachablePageStillGivesAReport) {
    const CliRun r = cli({"item", "http://127.0.0.1:1/item.htm?id=1", "--json"});
    // Exit 4 names the host and the cause; the empty record is still printed.
    ASSERT_EQ(r.exitCode, 4) << r.err;
    EXPECT_NE(r.err.find("127.0.0.1: "), std::string::npos) << r.err;
    const nlohmann::json record = nlohmann::json::parse(r.out);
    EXPECT_EQ(record["sales"], 0);
    EXPECT_EQ(record["stock"], 0);
    // The page gave no times: none, rather than the 1970 the fetch fell back to.
    EXPECT_TRUE(record["startTime"].is_null());
    EXPECT_TRUE(record["startIso"].is_null());
    EXPECT_EQ(record["minutesLeft"], 0);
}

TEST_F(CliItemTest, BadArgumentsGiveUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"item"},
        {"item", "--json"},
        {"item", urlOf(1001), "--bogus"},
        {"item", urlOf(1001), urlOf(1002)},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const CliRun r = cli(cases[i]);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Run 'shelfwatch-cli item --help'"), std::string::npos);
    }
}

}  // namespace
}  // namespace shelfwatch

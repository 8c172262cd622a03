// The item analysis against the simulator over real HTTP: both kinds of item,
// every failure case, the requests it makes, and several analyses at once.
#include "item/item_analyzer.h"

#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace shelfwatch {
namespace {

using text::gbk;

class ItemAnalyzerE2e : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        server.clearRequests();
    }

    std::string urlOf(std::int64_t id) const { return sim::itemUrl(server.host(), id); }
    item::ItemDetails analyze(std::string url) {
        return item::analyzeItem(url, item::AnalyzerDeps{fetcher, market, clock});
    }
    item::ItemDetails analyzeId(std::int64_t id) { return analyze(urlOf(id)); }

    net::CookieJar cookies;
    net::CurlFetcher fetcher{cookies};
    const sim::Catalogue& catalogue = sim::catalogueFor(server.seed());
    item::FixedClock clock{catalogue.referenceNow()};
};

const item::DateTime kEpoch = item::fromCivil(1970, 1, 1, 8, 0, 0);

TEST_F(ItemAnalyzerE2e, WorkedExampleOfAMarketplaceItem) {
    clock.set(item::fromCivil(2014, 7, 31, 8, 0, 0));
    const item::ItemDetails d = analyzeId(sim::fixture::kWorkedExample);
    EXPECT_EQ(d.title, gbk("2014夏季新款 韩版修身连衣裙"));
    EXPECT_EQ(d.isMall, 0);
    EXPECT_EQ(d.seller, gbk("小美的店"));
    EXPECT_EQ(d.sales, "30");
    EXPECT_EQ(d.stock, "70");
    EXPECT_EQ(d.price, "128.00");
    EXPECT_EQ(d.location, gbk("浙江杭州"));
    EXPECT_EQ(d.startTime, item::fromCivil(2014, 7, 25, 8, 0, 0));
    EXPECT_EQ(d.endTime, item::fromCivil(2014, 8, 1, 8, 0, 0));
    EXPECT_EQ(d.minutesLeft, 1440);
    EXPECT_EQ(d.message, "");
}

struct ListedCase {
    std::int64_t id;
    const char* title;  // UTF-8
    int isMall;
    const char* seller;
    const char* sales;
    const char* stock;
    const char* price;
    const char* location;
};

TEST_F(ItemAnalyzerE2e, ListedItemsGiveTheirValues) {
    const ListedCase cases[] = {
        {sim::fixture::kOversold, "清仓特价 纯棉连衣裙", 0, "小美的店", "130", "0", "35.50", "浙江杭州"},
        {sim::fixture::kLongPriceCurrent, "多规格 蓝牙耳机 运动款", 0, "小美的店", "30", "70", "19.90",
         "浙江杭州"},
        {sim::fixture::kLongPriceNoCurrent, "多规格 保温杯 礼盒装", 0, "小美的店", "30", "70", "",
         "浙江杭州"},
        {sim::fixture::kSuffixInside, "老粗布凉席三件套", 0, "小美的店", "30", "70", "128.00", "浙江杭州"},
        {sim::fixture::kMallPromotion, "优品 蓝牙耳机 无线运动", 1, "优品数码旗舰店", "1234", "57",
         "199.00 -> 99.00", "广东深圳"},
        {sim::fixture::kMallPlain, "优品 蓝牙耳机 头戴式", 1, "优品数码旗舰店", "1234", "57", "199.00",
         "广东深圳"},
        {sim::fixture::kMallTraditional, "宝丽 保温杯 大容量", 1, "宝丽国际旗舰店", "1234", "57", "199.00",
         "广东深圳"},
        {sim::fixture::kMallWrappedSpan, "骆驼 运动鞋 男士", 1, "骆驼户外旗舰店", "1234", "57", "199.00",
         "广东深圳"},
        {sim::fixture::kMallNoSeller, "南极人 毛巾 礼盒装", 1, "", "1234", "57", "199.00", "广东深圳"},
        {sim::fixture::kMallSuffixInside, "进口面膜补水套装", 1, "罗莱旗舰店", "1234", "57", "199.00",
         "广东深圳"},
    };
    for (const ListedCase& c : cases) {
        SCOPED_TRACE("item " + std::to_string(c.id));
        const item::ItemDetails d = analyzeId(c.id);
        EXPECT_EQ(d.title, gbk(c.title));
        EXPECT_EQ(d.isMall, c.isMall);
        EXPECT_EQ(d.seller, gbk(c.seller));
        EXPECT_EQ(d.sales, c.sales);
        EXPECT_EQ(d.stock, c.stock);
        EXPECT_EQ(d.price, gbk(c.price));
        EXPECT_EQ(d.location, gbk(c.location));
        EXPECT_EQ(d.message, "");
        EXPECT_GT(d.minutesLeft, 0);
    }
}

TEST_F(ItemAnalyzerE2e, RequestsInOrderWithTheItemPageAsReferrer) {
    struct Case {
        std::int64_t id;
        std::vector<std::string> targets;
    };
    const sim::CatalogueItem& marketplace = *catalogue.find(sim::fixture::kWorkedExample);
    const sim::CatalogueItem& mall = *catalogue.find(sim::fixture::kMallPromotion);
    const std::string host = "http://" + server.host();
    const Case cases[] = {
        {marketplace.id,
         {"/item.htm?id=1001", sim::countServiceAddress(marketplace, {server.host()}).substr(host.size()),
          sim::detailServiceAddress(marketplace, {server.host()}).substr(host.size())}},
        {mall.id,
         {"/item.htm?id=2001",
          sim::mallServiceAddress(mall, {server.host()}).substr(host.size()) + "&callback=setMdskip"}},
        {sim::fixture::kRemoved, {"/item.htm?id=3001"}},
        {sim::fixture::kGuide, {"/item.htm?id=3002"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("item " + std::to_string(c.id));
        server.clearRequests();
        analyzeId(c.id);
        const std::vector<sim::LoggedRequest> log = server.requests();
        ASSERT_EQ(log.size(), c.targets.size());
        for (std::size_t i = 0; i < log.size(); ++i) {
            EXPECT_EQ(log[i].method, "GET");
            EXPECT_EQ(log[i].target, c.targets[i]);
            // Without a referrer the fetcher names the address itself, so every
            // request of one analysis carries the item page's address.
            EXPECT_EQ(log[i].header("Referer"), urlOf(c.id));
        }
    }
}

TEST_F(ItemAnalyzerE2e, AddressIsCutAtTheFirstDoubleQuote) {
    const std::string clean = urlOf(sim::fixture::kWorkedExample);
    std::string url = clean + "\" class=\"J_Item\"&x=1";
    const item::ItemDetails d = item::analyzeItem(url, item::AnalyzerDeps{fetcher, market, clock});
    EXPECT_EQ(url, clean);
    EXPECT_EQ(d.sales, "30");
    ASSERT_FALSE(server.requests().empty());
    EXPECT_EQ(server.requests().front().target, "/item.htm?id=1001");
}

void expectEmptyRecord(const item::ItemDetails& d) {
    EXPECT_EQ(d.title, "");
    EXPECT_EQ(d.isMall, 0);
    EXPECT_EQ(d.seller, "");
    EXPECT_EQ(d.price, "");
    EXPECT_EQ(d.location, "");
    EXPECT_EQ(d.sales, "0");
    EXPECT_EQ(d.stock, "0");
    EXPECT_EQ(d.startTime, kEpoch);
    EXPECT_EQ(d.endTime, kEpoch);
    EXPECT_EQ(d.minutesLeft, 0);
    EXPECT_EQ(d.message, "");
}

TEST_F(ItemAnalyzerE2e, UnreachablePageGivesTheEmptyRecord) {
    // Port 1 on loopback refuses the connection.
    expectEmptyRecord(analyze("http://127.0.0.1:1/item.htm?id=1001"));
    expectEmptyRecord(analyze(""));
}

TEST_F(ItemAnalyzerE2e, DroppedPageGivesTheEmptyRecord) {
    sim::Fault drop;
    drop.dropAfterBytes = 0;
    server.setFault("/item.htm", drop);
    expectEmptyRecord(analyzeId(sim::fixture::kWorkedExample));
}

TEST_F(ItemAnalyzerE2e, RemovedAndGuidePagesReportAMessage) {
    const std::string removedMessage = gbk("很抱歉，您查看的宝贝不存在，可能已下架或者被转移");
    for (std::int64_t id : {sim::fixture::kRemoved, std::int64_t{999999999}}) {
        const item::ItemDetails d = analyzeId(id);
        EXPECT_EQ(d.title, gbk("该商品已下架。"));
        EXPECT_EQ(d.message, removedMessage);
        EXPECT_EQ(d.sales, "");
        EXPECT_EQ(d.stock, "");
        EXPECT_EQ(d.endTime, item::DateTime{});
    }
    const item::ItemDetails guide = analyzeId(sim::fixture::kGuide);
    EXPECT_EQ(guide.title, gbk("我帮你买"));
    EXPECT_EQ(guide.message, gbk("暂时无法获取‘我帮你’页面的数据"));
    EXPECT_EQ(guide.seller, "");
    EXPECT_EQ(guide.sales, "");
    EXPECT_EQ(guide.stock, "");
    EXPECT_EQ(guide.startTime, item::DateTime{});
}

TEST_F(ItemAnalyzerE2e, MissingMarkersGiveEmptyTextsAndZeros) {
    const item::ItemDetails bare = analyzeId(sim::fixture::kMissingMarkers);
    EXPECT_EQ(bare.title, "bare page");
    EXPECT_EQ(bare.seller, "");
    EXPECT_EQ(bare.sales, "0");
    EXPECT_EQ(bare.stock, "0");
    EXPECT_EQ(bare.price, "");
    EXPECT_EQ(bare.location, "");
    EXPECT_EQ(bare.endTime, kEpoch);
    EXPECT_EQ(bare.message, "");

    const item::ItemDetails noBlock = analyzeId(sim::fixture::kNoListingBlock);
    EXPECT_EQ(noBlock.sales, "30");
    EXPECT_EQ(noBlock.startTime, kEpoch);
    EXPECT_EQ(noBlock.endTime, kEpoch);
    EXPECT_EQ(noBlock.minutesLeft, 0);
}

TEST_F(ItemAnalyzerE2e, EndedListingHasNoMinutesLeft) {
    const item::ItemDetails d = analyzeId(sim::fixture::kEnded);
    EXPECT_GT(d.endTime.days, kEpoch.days);
    EXPECT_LT(d.endTime.days, clock.now().days);
    EXPECT_EQ(d.minutesLeft, 0);
}

TEST_F(ItemAnalyzerE2e, FailingServiceAnswersLeaveTheirValuesEmpty) {
    sim::Fault error;
    error.status = 500;
    error.errorBody = "<html>Internal Server Error</html>";
    server.setFault(sim::kCountServicePath, error);
    sim::Fault drop;
    drop.dropAfterBytes = 0;
    server.setFault(sim::kDetailServicePath, drop);
    server.setFault(sim::kMallServicePath, drop);

    const item::ItemDetails marketplace = analyzeId(sim::fixture::kWorkedExample);
    EXPECT_EQ(marketplace.seller, gbk("小美的店"));
    EXPECT_EQ(marketplace.sales, "0");
    EXPECT_EQ(marketplace.stock, "100");
    EXPECT_EQ(marketplace.price, "");
    EXPECT_EQ(marketplace.location, "");
    EXPECT_EQ(marketplace.endTime, item::msToDateTime(1406851200000));

    const item::ItemDetails mall = analyzeId(sim::fixture::kMallPromotion);
    EXPECT_EQ(mall.seller, gbk("优品数码旗舰店"));
    EXPECT_EQ(mall.sales, "0");
    EXPECT_EQ(mall.stock, "57");
    EXPECT_EQ(mall.price, "");
    EXPECT_EQ(mall.location, "");
    EXPECT_EQ(mall.message, "");
}

TEST_F(ItemAnalyzerE2e, SeveralThreadsAnalyseAtOnce) {
    std::vector<const sim::CatalogueItem*> listed;
    for (const sim::CatalogueItem& entry : catalogue.items()) {
        if (entry.isListed() && entry.id >= sim::kFirstGeneratedId) listed.push_back(&entry);
        if (listed.size() == 96) break;
    }
    constexpr int kThreads = 6;
    std::atomic<int> mismatches{0};
    std::atomic<int> analysed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t i = static_cast<std::size_t>(t); i < listed.size(); i += kThreads) {
                const sim::CatalogueItem& entry = *listed[i];
                std::string url = urlOf(entry.id);
                const item::ItemDetails d =
                    item::analyzeItem(url, item::AnalyzerDeps{fetcher, market, clock});
                const bool same = d.title == entry.title && d.seller == entry.seller &&
                                  d.sales == text::fromInt(entry.sales) && d.stock == entry.expectedStock() &&
                                  d.price == entry.expectedPrice() && d.location == entry.location &&
                                  d.endTime == item::msToDateTime(entry.endsMs) && d.message.empty();
                if (!same) ++mismatches;
                ++analysed;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(analysed.load(), static_cast<int>(listed.size()));
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace shelfwatch

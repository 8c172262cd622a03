// The item analysis over pages held in memory: the simulator's page builders
// supply realistic pages, small hand-written pages pin single rules.
#include "item/item_analyzer.h"

#include "config/market_config.h"
#include "item/item_report.h"
#include "item/listing_time.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace shelfwatch {
namespace {

using text::gbk;

class MemoryFetcher final : public net::Fetcher {
  public:
    void put(std::string url, std::string body) {
        m_bodies[std::move(url)] = [body = std::move(body)] { return body; };
    }
    void putLazy(std::string url, std::function<std::string()> body) {
        m_bodies[std::move(url)] = std::move(body);
    }

    std::string fetchPage(std::string_view url, std::string_view referrer) override {
        std::lock_guard lock(m_mutex);
        m_calls.emplace_back(std::string(url), std::string(referrer));
        auto it = m_bodies.find(std::string(url));
        return it == m_bodies.end() ? std::string() : it->second();
    }

    std::vector<std::pair<std::string, std::string>> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

  private:
    std::map<std::string, std::function<std::string()>> m_bodies;
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_calls;
};

constexpr const char* kHost = "sim.test:8080";

sim::PageHosts hosts() {
    sim::PageHosts h;
    h.simHost = kHost;
    return h;
}

config::MarketConfig market() {
    config::MarketConfig config;
    config.itemHost = kHost;
    config.helpHost = kHost;
    return config;
}

// Serves every page and answer of the catalogue the way the simulator does,
// building each body only when it is asked for.
void serveCatalogue(MemoryFetcher& fetcher, const sim::Catalogue& catalogue) {
    for (const sim::CatalogueItem& entry : catalogue.items()) {
        const sim::CatalogueItem* e = &entry;
        fetcher.putLazy(sim::itemUrl(kHost, e->id), [e] { return sim::buildItemPage(*e, hosts()); });
        fetcher.putLazy(sim::mallServiceAddress(*e, hosts()) + "&callback=setMdskip",
                        [e] { return sim::buildMallServiceAnswer(*e); });
        fetcher.putLazy(sim::countServiceAddress(*e, hosts()),
                        [e] { return sim::buildCountServiceAnswer(*e); });
        fetcher.putLazy(sim::detailServiceAddress(*e, hosts()),
                        [e] { return sim::buildDetailServiceAnswer(*e); });
    }
}

class ItemAnalyzerTest : public ::testing::Test {
  protected:
    item::ItemDetails analyze(std::string url) {
        item::AnalyzerDeps deps{fetcher, config, clock};
        return item::analyzeItem(url, deps);
    }
    item::ItemDetails analyzeId(std::int64_t id) { return analyze(sim::itemUrl(kHost, id)); }

    const sim::Catalogue& catalogue = sim::catalogueFor(1);
    MemoryFetcher fetcher;
    config::MarketConfig config = market();
    item::FixedClock clock{catalogue.referenceNow()};
};

TEST_F(ItemAnalyzerTest, EveryCatalogueItemComesBackAsListed) {
    serveCatalogue(fetcher, catalogue);
    int listed = 0;
    for (const sim::CatalogueItem& entry : catalogue.items()) {
        SCOPED_TRACE("item " + std::to_string(entry.id));
        const item::ItemDetails d = analyzeId(entry.id);
        EXPECT_EQ(d.title, entry.title);
        if (!entry.isListed()) {
            EXPECT_FALSE(d.message.empty());
            continue;
        }
        ++listed;
        EXPECT_EQ(d.message, "");
        EXPECT_EQ(d.isMall, entry.isMall() ? 1 : 0);
        EXPECT_EQ(d.seller, entry.seller);
        EXPECT_EQ(d.sales, text::fromInt(entry.sales));
        EXPECT_EQ(d.stock, entry.expectedStock());
        EXPECT_EQ(d.price, entry.expectedPrice());
        EXPECT_EQ(d.location, entry.location);
        if (entry.hasListingBlock) {
            EXPECT_EQ(d.startTime, item::msToDateTime(entry.startsMs));
            EXPECT_EQ(d.endTime, item::msToDateTime(entry.endsMs));
        }
        EXPECT_GE(d.minutesLeft, 0);
        EXPECT_LE(d.minutesLeft, 7 * 1440);
    }
    EXPECT_GT(listed, 400);
}

TEST_F(ItemAnalyzerTest, RemovedAndGuidePagesStopAfterThePage) {
    serveCatalogue(fetcher, catalogue);
    const item::ItemDetails removed = analyzeId(sim::fixture::kRemoved);
    EXPECT_EQ(removed.title, gbk("该商品已下架。"));
    EXPECT_EQ(removed.message, gbk("很抱歉，您查看的宝贝不存在，可能已下架或者被转移"));
    const item::ItemDetails guide = analyzeId(sim::fixture::kGuide);
    EXPECT_EQ(guide.title, gbk("我帮你买"));
    EXPECT_EQ(guide.message, gbk("暂时无法获取‘我帮你’页面的数据"));
    for (const item::ItemDetails& d : {removed, guide}) {
        EXPECT_EQ(d.isMall, 0);
        EXPECT_EQ(d.seller, "");
        EXPECT_EQ(d.stock, "");
        EXPECT_EQ(d.sales, "");
        EXPECT_EQ(d.price, "");
        EXPECT_EQ(d.location, "");
        EXPECT_EQ(d.startTime, item::DateTime{});
        EXPECT_EQ(d.endTime, item::DateTime{});
        EXPECT_EQ(d.minutesLeft, 0);
    }
    EXPECT_EQ(fetcher.calls().size(), 2u);
}

TEST_F(ItemAnalyzerTest, EmptyPageRunsTheMarketplacePathWithEmptyAddresses) {
    const item::ItemDetails d = analyze("http://nowhere.test/item.htm?id=1");
    const item::DateTime epoch = item::fromCivil(1970, 1, 1, 8, 0, 0);
    EXPECT_EQ(d.title, "");
    EXPECT_EQ(d.seller, "");
    EXPECT_EQ(d.price, "");
    EXPECT_EQ(d.location, "");
    EXPECT_EQ(d.sales, "0");
    EXPECT_EQ(d.stock, "0");
    EXPECT_EQ(d.isMall, 0);
    EXPECT_EQ(d.startTime, epoch);
    EXPECT_EQ(d.endTime, epoch);
    EXPECT_EQ(d.minutesLeft, 0);
    EXPECT_EQ(d.message, "");
    const auto calls = fetcher.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], std::make_pair(std::string("http://nowhere.test/item.htm?id=1"), std::string()));
    EXPECT_EQ(calls[1].first, "");
    EXPECT_EQ(calls[2].first, "");
}

// Small pages that pin one rule each.
struct PageCase {
    const char* name;
    std::string page;
    std::string answer;  // the one service answer the page names
    const char* field;
    std::string expected;
};

TEST_F(ItemAnalyzerTest, SingleRulesOnHandWrittenPages) {
    const std::string mallTitle = "<title>x-tmall.com" + gbk("天猫") + "</title>";
    const std::string mallApi = "\"initApi\":\"http://a.test/m?x=1\"";
    const std::string mallAnswerUrl = "http://a.test/m?x=1&callback=setMdskip";
    const std::string span =
        "<span class=\"a\nb J_WangWang\" data-nick=\"n\nm\" data-tnick=\"%E5%AF%B6%E5%9C%8B\" "
        "data-encode=\"t\" data-display=\"i\"></span>";
    const PageCase cases[] = {
        {"line breaks inside the attributes of the seller span", mallTitle + mallApi + span, "", "seller",
         gbk("宝国")},
        {"seller span missing a closing tag gives no match",
         mallTitle + mallApi + text::left(span, span.size() - 7), "", "seller", ""},
        {"mall price without promotion", mallTitle + mallApi, "{priceInfo:{1:{price:\"12.50\" ,x:1}}}",
         "price", "12.50"},
        {"mall price before priceInfo is ignored", mallTitle + mallApi,
         "{price:1.00,priceInfo:{1:{price:'12.50',promotionList:[{price:'9.90',a:1}]}}}", "price",
         "12.50 -> 9.90"},
        {"mall sales keep single quotes, so a quoted count reads 0", mallTitle + mallApi,
         "{sellCountDO:{sellCount:'12'},}", "sales", "0"},
        {"mall sales across a line break", mallTitle + mallApi, "{\"sell\r\nCount\": 12},", "sales", "12"},
        {"mall stock comes from the page", mallTitle + mallApi + "\"quantity\":42,", "{quantity:7,}", "stock",
         "42"},
        {"marketplace price of exactly 20 bytes is kept", "(function(){var b=\"http://a.test/d\"",
         "price:\"12345678901234567890\",", "price", "12345678901234567890"},
        {"marketplace price of 21 bytes takes current_price",
         "(function(){var b=\"http://a.test/d\" current_price value= \"8.80\"/>",
         "price:123456789012345678901,", "price", "8.80"},
        {"marketplace location loses its spaces", "(function(){var b=\"http://a.test/d\"",
         "location: \"" + gbk("浙江 杭州") + "\",", "location", gbk("浙江杭州")},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFetcher local;
        local.put("http://p.test/item.htm", c.page);
        local.put(mallAnswerUrl, c.answer);
        local.put("http://a.test/d", c.answer);
        std::string url = "http://p.test/item.htm";
        item::AnalyzerDeps deps{local, config, clock};
        const item::ItemDetails d = item::analyzeItem(url, deps);
        const std::string field = c.field;
        const std::string actual = field == "seller"  ? d.seller
                                   : field == "price" ? d.price
                                   : field == "sales" ? d.sales
                                   : field == "stock" ? d.stock
                                                      : d.location;
        EXPECT_EQ(actual, c.expected);
    }
}

TEST_F(ItemAnalyzerTest, ReportLinesInOrderWithCrLf) {
    serveCatalogue(fetcher, catalogue);
    std::string url = sim::itemUrl(kHost, sim::fixture::kWorkedExample);
    clock.set(item::fromCivil(2014, 7, 31, 8, 0, 0));
    item::AnalyzerDeps deps{fetcher, config, clock};
    const std::vector<std::string> lines = item::itemReportLines(url, item::analyzeItem(url, deps));
    const std::vector<std::string> expected = {
        gbk("被查看网址：") + url + "\r\n",
        gbk("网页标题：2014夏季新款 韩版修身连衣裙\r\n"),
        gbk("店主：小美的店\r\n"),
        gbk("上架时间：2014年7月25日8时\r\n"),
        gbk("下架时间：2014年8月1日8时\r\n"),
        gbk("剩余分钟：1440\r\n"),
        gbk("剩余库存：70\r\n"),
        gbk("当前销量：30\r\n"),
        gbk("商品售价：128.00\r\n"),
        gbk("所在地：浙江杭州\r\n"),
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace shelfwatch

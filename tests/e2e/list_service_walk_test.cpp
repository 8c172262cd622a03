// The store query and the category listing against the simulated list service
// over real HTTP: the addresses they send, the rows they leave (list columns from
// the answer, the others from the item pages), the window texts and controls.
#include "category/category_query.h"
#include "category/category_tree.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/search_query.h"
#include "search/store_query.h"
#include "search/walk_context.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include "list_service.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using text::gbk;

class ListServiceWalkE2e : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        program = std::make_unique<app::App>(testing::appOptionsFor(*this, sim::defaultReferenceNow()));
        binding = std::make_unique<app::PanelBinding>(*program, panel);
    }
    void TearDown() override {
        binding.reset();
        program.reset();
    }

    search::WalkContext& context() { return binding->context(); }
    table::ResultTable& table() { return program->table(); }

    std::vector<std::string> listTargets() const {
        std::vector<std::string> found;
        for (const sim::LoggedRequest& r : server.requests()) {
            if (r.target.rfind(sim::kListServicePath, 0) == 0) found.push_back(r.target);
        }
        return found;
    }
    int itemPageRequests() const {
        int n = 0;
        for (const sim::LoggedRequest& r : server.requests()) n += r.target.rfind("/item.htm", 0) == 0;
        return n;
    }
    void expectControlsEnabled() const {
        for (panel::Control c : {panel::Control::PageCountEdit, panel::Control::SearchButton,
                                 panel::Control::ExportButton, panel::Control::StoreButton}) {
            EXPECT_TRUE(panel.isEnabled(c)) << static_cast<int>(c);
        }
    }

    // The seller with the most listed items, so a store spans more than one page.
    std::string busiestSeller() const {
        std::map<std::string, int> counts;
        for (const sim::CatalogueItem& item : catalogue.items()) {
            if (item.isListed() && !item.seller.empty()) ++counts[item.seller];
        }
        std::string best;
        for (const auto& [seller, n] : counts) {
            if (best.empty() || n > counts[best]) best = seller;
        }
        return best;
    }

    const sim::Catalogue& catalogue = sim::catalogueFor(server.seed());
    panel::HeadlessPanel panel;
    std::unique_ptr<app::App> program;
    std::unique_ptr<app::PanelBinding> binding;
};

TEST_F(ListServiceWalkE2e, StoreQueryListsTheSellerAndFillsTheRest) {
    const std::string seller = gbk("小美的店");
    sim::ListServiceRequest request;
    request.byNick = true;
    request.nick = seller;
    const std::vector<const sim::CatalogueItem*> items = sim::listServiceMatches(catalogue, request);
    ASSERT_GE(items.size(), 5u);

    panel.setPageCountText("2");
    panel.queueAnswer(gbk(" 小美的店 "));
    search::onStoreButtonClicked(context());

    EXPECT_EQ(panel.prompts(), std::vector<std::string>{gbk("请输入店主昵称")});
    const std::vector<std::string> targets = listTargets();
    ASSERT_EQ(targets.size(), 2u);
    const std::string nick = "nick=" + search::percentEncode(search::toUtf8Bytes(seller)) + "&";
    for (std::size_t p = 0; p < targets.size(); ++p) {
        EXPECT_NE(targets[p].find("cat=0&" + nick + "fromPage=adSearch&&viewIndex=1&spm="), std::string::npos)
            << "the nickname is trimmed, and the doubled && is sent: " << targets[p];
        EXPECT_NE(
            targets[p].find("&pSize=44&data-key=s&data-value=" + std::to_string(p * 44) + "&module=page"),
            std::string::npos)
            << targets[p];
    }

    ASSERT_EQ(table().rowCount(), static_cast<int>(std::min<std::size_t>(items.size(), 88)));
    for (int r = 0; r < table().rowCount(); ++r) {
        const sim::CatalogueItem& item = *items[static_cast<std::size_t>(r)];
        const table::ItemRecord row = table().row(r);
        SCOPED_TRACE(r);
        EXPECT_EQ(row.seq, std::to_string(r));
        EXPECT_EQ(row.title, item.title);
        EXPECT_EQ(row.url, sim::itemUrl(market.itemHost, item.id));
        EXPECT_EQ(row.seller, seller);
        EXPECT_EQ(row.sales, std::to_string(item.sales));
        EXPECT_EQ(row.price, item.expectedPrice()) << "filled from the item page";
        EXPECT_EQ(row.location, item.location);
    }
    EXPECT_EQ(panel.status(), search::doneText());
    EXPECT_EQ(panel.statusHistory().front(), search::listingStatusText());
    expectControlsEnabled();
}

TEST_F(ListServiceWalkE2e, StorePagesFollowThePageCount) {
    const std::string seller = busiestSeller();
    sim::ListServiceRequest request;
    request.byNick = true;
    request.nick = seller;
    const std::size_t listed = sim::listServiceMatches(catalogue, request).size();

    panel.setPageCountText("0");
    table().appendRow();
    search::runStoreQuery(context(), seller);
    EXPECT_TRUE(listTargets().empty()) << "a count of 0 requests no page";
    EXPECT_EQ(table().rowCount(), 0) << "but the table is emptied";
    EXPECT_EQ(panel.status(), search::doneText()) << "and the detail fill reports on the empty table";
    expectControlsEnabled();

    server.clearRequests();
    panel.setPageCountText("3");
    search::runStoreQuery(context(), seller);
    EXPECT_EQ(listTargets().size(), 3u) << "a page without items does not end the walk";
    EXPECT_EQ(table().rowCount(), static_cast<int>(std::min<std::size_t>(listed, 132)));
    EXPECT_EQ(itemPageRequests(), table().rowCount());

    server.clearRequests();
    search::runStoreQuery(context(), "   ");
    EXPECT_TRUE(server.requests().empty()) << "a blank nickname does nothing";
    EXPECT_GT(table().rowCount(), 0) << "and leaves the table alone";
}

TEST_F(ListServiceWalkE2e, CategoryTreeLevels) {
    net::Fetcher& fetcher = context().fetcher;
    const category::CategoryLevel first = category::fetchFirstLevel(fetcher, market, "spm1");
    ASSERT_EQ(first.entries.size(), sim::simFirstLevel().size());
    for (std::size_t i = 0; i < first.entries.size(); ++i) {
        const sim::SimCategory& expected = sim::simFirstLevel()[i];
        EXPECT_EQ(first.entries[i].name, gbk(expected.name));
        EXPECT_EQ(first.entries[i].id, text::toInt(expected.value))
            << "a value that is not a number is listed with id 0: " << expected.value;
    }
    EXPECT_EQ(listTargets().back(),
              "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=0&fromPage=adSearch&"
              "ratesumfrom=0&viewIndex=1&spm=spm1&pSize=1");

    ASSERT_TRUE(sim::simHasGroups("16"));
    const category::CategoryLevel grouped = category::fetchSubLevel(fetcher, market, "spm1", 16);
    const std::vector<sim::SimCategory> expected = sim::simSubLevel("16");
    ASSERT_EQ(grouped.entries.size(), 5u) << "two groups of 3 and 2, flattened in order";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(grouped.entries[i].name, gbk(expected[i].name));
        EXPECT_EQ(grouped.entries[i].id, text::toInt(expected[i].value));
    }
    sim::ListServiceRequest request;
    request.cat = "16";
    EXPECT_EQ(grouped.total, std::to_string(sim::listServiceMatches(catalogue, request).size()));

    const category::CategoryLevel flat = category::fetchSubLevel(fetcher, market, "spm1", 50008090);
    EXPECT_EQ(flat.entries.size(), sim::simSubLevel("50008090").size());
    const category::CategoryLevel leaf = category::fetchSubLevel(fetcher, market, "spm1", 50010850);
    EXPECT_TRUE(leaf.entries.empty());
    EXPECT_NE(leaf.total, "0");
}

TEST_F(ListServiceWalkE2e, CategoryListingPagesAndKeyword) {
    panel.setPageCountText("3");
    std::vector<std::string> countTexts;
    std::vector<bool> windowStates;
    category::ListingHooks hooks;
    hooks.setCountText = [&](const std::string& t) { countTexts.push_back(t); };
    hooks.setWindowEnabled = [&](bool enabled) { windowStates.push_back(enabled); };
    const std::optional<std::string> spm =
        category::runCategoryListing(context(), 16, category::keywordPart(gbk(" 运动鞋 ")), 40, hooks);
    ASSERT_TRUE(spm.has_value());
    EXPECT_EQ(*spm, sim::homeSpmValue(server.seed()));

    const std::vector<std::string> targets = listTargets();
    ASSERT_EQ(targets.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(
            targets[p],
            "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=16&fromPage=adSearch&"
            "ratesumfrom=0&viewIndex=1&q=%20%E8%BF%90%E5%8A%A8%E9%9E%8B%20&fromPage=adSearch&&viewIndex=1&"
            "spm=" +
                *spm + "&pSize=40&data-key=s&data-value=" + std::to_string(p * 40) +
                "&module=page&style=list")
            << "the keyword is sent with both its spaces";
    }
    // The simulator matches the keyword as sent, spaces and all: the titles that hold it.
    sim::ListServiceRequest request;
    request.cat = "16";
    request.keyword = gbk(" 运动鞋 ");
    EXPECT_EQ(table().rowCount(), static_cast<int>(std::min<std::size_t>(
                                      120, sim::listServiceMatches(catalogue, request).size())));
    EXPECT_EQ(countTexts, std::vector<std::string>{search::listingStatusText()});
    EXPECT_EQ(windowStates, std::vector<bool>{false});
    EXPECT_EQ(panel.status(), "");
    expectControlsEnabled();

    // Without a keyword: the whole category, 40 a page, and the fill afterwards.
    server.clearRequests();
    panel.setPageCountText("1");
    ASSERT_TRUE(category::runCategoryListing(context(), 50010850, "", 40).has_value());
    ASSERT_EQ(listTargets().size(), 1u);
    EXPECT_EQ(listTargets()[0].find("&q="), std::string::npos);
    EXPECT_EQ(table().rowCount(), 40);
    EXPECT_TRUE(table().cell(0, table::kStartTime).empty());
    category::startRemainingDetails(context());
    program->fetchState().threads.joinAll();
    EXPECT_EQ(panel.status(), search::doneText());
    EXPECT_EQ(itemPageRequests(), 40);
}

TEST_F(ListServiceWalkE2e, CategoryQueryChecks) {
    const struct {
        int firstIndex;
        bool keywordMode;
        const char* keyword;
        const char* message;  // "" when the query may run
        const char* reason;
    } cases[] = {
        {0, false, "", "请选择一级分类。", "the placeholder is no choice"},
        {-1, true, "x", "请选择一级分类。", "nothing selected, checked before the keyword"},
        {1, true, "", "请输入关键词", "an empty keyword"},
        {1, true, "  　 ", "请输入关键词", "blanks and full-width blanks only"},
        {1, true, " a ", "", "a keyword with blanks around it passes"},
        {2, false, "", "", "query mode ignores the keyword box"},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> message =
            category::checkCategoryQuery(c.firstIndex, c.keywordMode, gbk(c.keyword));
        EXPECT_EQ(message.value_or(""), gbk(c.message)) << c.reason;
    }
    EXPECT_EQ(category::queryCategoryId(16, -1, 0), 16) << "an untouched second level lists the first";
    EXPECT_EQ(category::queryCategoryId(16, 0, 0), 0) << "the second-level placeholder lists id 0";
    EXPECT_EQ(category::queryCategoryId(16, 2, 50000436), 50000436);
}

}  // namespace
}  // namespace shelfwatch

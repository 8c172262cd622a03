// The keyword search, batch detail fetch, list-page query and refresh against the
// simulator over real HTTP: the requests they make and in which order, the rows
// they leave, the window texts and controls, stopping, and several workers.
#include "config/ini_file.h"
#include "config/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/fetch_state.h"
#include "search/keyword_search.h"
#include "search/list_page_query.h"
#include "search/refresh_failed.h"
#include "search/search_query.h"
#include "search/walk_context.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "sim_routes.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

using text::gbk;

// The real fetcher with a seam: tests see every address asked for, can act while
// a given request is under way, and can make the first tries at an address fail.
}  // namespace
}  // namespace shelfwatch

namespace shelfwatch::table {
void PrintTo(const ItemRecord& r, std::ostream* os) {
    *os << "{";
    for (int c = 0; c < kColumnCount; ++c) *os << (c ? " | " : "") << text::gbkToUtf8(r.field(c));
    *os << "}";
}
}  // namespace shelfwatch::table

namespace shelfwatch {
namespace {

class WatchedFetcher final : public net::Fetcher {
  public:
    explicit WatchedFetcher(net::Fetcher& inner) : m_inner(inner) {}

    std::string fetchPage(std::string_view url, std::string_view referrer) override {
        std::function<void(const std::string&)> hook;
        bool fail = false;
        {
            std::lock_guard lock(m_mutex);
            m_urls.emplace_back(url);
            hook = m_hook;
            auto it = m_failures.find(std::string(url));
            if (it != m_failures.end() && it->second > 0) {
                --it->second;
                fail = true;
            }
        }
        if (hook) hook(std::string(url));
        return fail ? std::string() : m_inner.fetchPage(url, referrer);
    }

    void setHook(std::function<void(const std::string&)> hook) {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }
    void failFirst(const std::string& url, int times) {
        std::lock_guard lock(m_mutex);
        m_failures[url] = times;
    }
    std::vector<std::string> urls() const {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }
    int count(const std::string& part) const {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_urls.begin(), m_urls.end(), [&](const std::string& u) {
            return u.find(part) != std::string::npos;
        }));
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_urls.clear();
    }

  private:
    net::Fetcher& m_inner;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_urls;
    std::function<void(const std::string&)> m_hook;
    std::map<std::string, int> m_failures;
};

class SearchWalkE2e : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }
    // The walk threads go before the server does.
    void TearDown() override {
        state.stopRequested = 1;
        state.threads.joinAll();
    }

    search::WalkContext context() {
        return search::WalkContext{table, panel, fetcher, cookies, market, clock, state, dataDir, workers};
    }
    // A search started by the button, waited for.
    void clickAndWait() {
        search::WalkContext ctx = context();
        search::onSearchButtonClicked(ctx);
        state.threads.joinAll();
    }

    std::vector<const sim::CatalogueItem*> expectedResults(const std::string& keyword,
                                                           const std::string& region = {},
                                                           const std::string& sort = "default") const {
        sim::SearchPageRequest request;
        request.keyword = keyword;
        request.region = region;
        request.sort = sort;
        return sim::searchResults(catalogue, request);
    }
    std::string urlOf(std::int64_t id) const { return sim::itemUrl(market.itemHost, id); }

    // The row the detail fetch must leave for a listed item.
    table::ItemRecord expectedRow(int seq, const sim::CatalogueItem& item) const {
        table::ItemRecord row;
        row.seq = std::to_string(seq);
        row.title = item.title;
        row.url = urlOf(item.id);
        row.seller = item.seller;
        if (item.hasListingBlock) {
            row.startTime = item::dateTimeText(item::msToDateTime(item.startsMs));
            row.endTime = item::dateTimeText(item::msToDateTime(item.endsMs));
            const std::int32_t minutes =
                item::wholeMinutesBetween(item::msToDateTime(item.endsMs), clock.now());
            row.minutesLeft = std::to_string(std::max(0, minutes));
        } else {
            row.minutesLeft = "0";  // no listing times: the date cells stay empty
        }
        row.sales = std::to_string(item.sales);
        row.stock = item.expectedStock();
        row.isMall = item.isMall() ? gbk("真") : gbk("假");
        row.price = item.expectedPrice();
        row.location = item.location;
        return row;
    }

    std::vector<sim::LoggedRequest> searchRequests() const {
        std::vector<sim::LoggedRequest> found;
        for (const sim::LoggedRequest& r : server.requests()) {
            if (r.target.rfind("/search?", 0) == 0 || r.target.rfind("/list/", 0) == 0) found.push_back(r);
        }
        return found;
    }
    static std::string param(const std::string& target, const std::string& key) {
        const std::string query = target.substr(target.find('?') + 1);
        std::string value;
        bool found = false;
        std::size_t start = 0;
        while (start <= query.size()) {
            std::size_t amp = query.find('&', start);
            if (amp == std::string::npos) amp = query.size();
            const std::string pair = query.substr(start, amp - start);
            if (pair.rfind(key + "=", 0) == 0) {
                value = pair.substr(key.size() + 1);
                found = true;
            }
            start = amp + 1;
        }
        return found ? value : "<absent>";
    }
    void expectIdle() const {
        EXPECT_EQ(panel.searchButtonCaption(), search::searchCaption());
        for (panel::Control c : {panel::Control::KeywordEdit, panel::Control::PageCountEdit,
                                 panel::Control::ExportButton, panel::Control::StoreButton}) {
            EXPECT_TRUE(panel.isEnabled(c)) << static_cast<int>(c);
        }
    }

    net::CookieJar cookies;
    net::CurlFetcher curl{cookies};
    WatchedFetcher fetcher{curl};
    const sim::Catalogue& catalogue = sim::catalogueFor(server.seed());
    item::FixedClock clock{catalogue.referenceNow()};
    table::ResultTable table;
    panel::HeadlessPanel panel;
    int workers = 1;
    // Last: its walk threads are joined before anything they use goes.
    search::FetchState state;
};

TEST_F(SearchWalkE2e, RequestsEveryPageInOrderWithTheQueryValues) {
    panel.setKeyword("a b+c");  // matches nothing: every page is empty
    panel.setPageCountText("3");
    panel.setSortIndex(4);
    panel.setDirectionIndex(1);
    clickAndWait();

    const std::vector<sim::LoggedRequest> pages = searchRequests();
    ASSERT_EQ(pages.size(), 3u);
    const char* const offsets[] = {"0", "44", "88"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(param(pages[i].target, "s"), offsets[i]);
        EXPECT_EQ(param(pages[i].target, "q"), "a%20b%2Bc");
        EXPECT_EQ(param(pages[i].target, "sort"), "old_ends");
        EXPECT_EQ(param(pages[i].target, "initiative_id"), "staobaoz_20140731");
        EXPECT_EQ(param(pages[i].target, "spm"), sim::homeSpmValue(server.seed()));
        EXPECT_EQ(param(pages[i].target, "loc"), "<absent>");
    }
    const std::vector<std::string> urls = fetcher.urls();
    EXPECT_EQ(std::count(urls.begin(), urls.end(), market.homeUrl()), 1);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();

    // With a region the other form of the address is used.
    panel.setRegion(gbk("杭州,上海"));
    panel.setSortIndex(-1);
    server.clearRequests();
    panel.setPageCountText("1");
    clickAndWait();
    const std::vector<sim::LoggedRequest> regional = searchRequests();
    ASSERT_EQ(regional.size(), 1u);
    EXPECT_EQ(param(regional[0].target, "loc"), "%BA%BC%D6%DD,%C9%CF%BA%A3");
    EXPECT_EQ(param(regional[0].target, "filterFineness"), "2");
    EXPECT_EQ(param(regional[0].target, "sort"), "default");
}

TEST_F(SearchWalkE2e, FillsOneRowPerNewItemAndFetchesEveryDetail) {
    const std::string keyword = gbk("连衣裙");
    const std::vector<const sim::CatalogueItem*> results = expectedResults(keyword);
    ASSERT_GT(results.size(), 44u) << "the keyword must span two pages";
    ASSERT_LE(results.size(), 88u);
    panel.setKeyword(keyword);
    panel.setPageCountText("2");
    clickAndWait();

    // The repeated listing at the top of page 2 and the advert give no row.
    ASSERT_EQ(table.rowCount(), static_cast<int>(results.size()));
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.row(row), expectedRow(row, *results[static_cast<std::size_t>(row)])) << "row " << row;
    }
    EXPECT_EQ(panel.status(), search::doneText());
    EXPECT_EQ(panel.progress(), search::progressText(table.rowCount(), table.rowCount()));
    expectIdle();
    const std::vector<std::string> statuses = panel.statusHistory();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), search::listPageStatus(1)), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), search::listPageStatus(2)), statuses.end());
    EXPECT_EQ(fetcher.count("/adclick"), 0);
}

TEST_F(SearchWalkE2e, SortAndRegionChooseTheListings) {
    const std::string keyword = gbk("手机壳");
    panel.setKeyword(keyword);
    panel.setPageCountText("1");
    panel.setSortIndex(2);
    panel.setDirectionIndex(0);
    panel.setRegion(gbk("杭州,上海"));
    clickAndWait();
    const auto results = expectedResults(keyword, gbk("杭州,上海"), "sale-desc");
    ASSERT_FALSE(results.empty());
    ASSERT_EQ(table.rowCount(), static_cast<int>(std::min<std::size_t>(results.size(), 44)));
    int lastSales = 1 << 30;
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.cell(row, table::kUrl), urlOf(results[static_cast<std::size_t>(row)]->id));
        const int sales = text::toInt(table.cell(row, table::kSales));
        EXPECT_LE(sales, lastSales);
        lastSales = sales;
        const std::string location = table.cell(row, table::kLocation);
        EXPECT_TRUE(text::find(location, gbk("杭州")) > 0 || text::find(location, gbk("上海")) > 0) << row;
    }
}

TEST_F(SearchWalkE2e, DetailSrpLayoutEndsTheWalkAndKeepsEarlierRows) {
    panel.setKeyword(sim::kDetailSrpKeyword);
    panel.setPageCountText("3");
    clickAndWait();

    EXPECT_EQ(searchRequests().size(), 2u);  // page 3 is never asked for
    ASSERT_EQ(table.rowCount(), 44);
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.cell(row, table::kSeq), std::to_string(row));
        EXPECT_FALSE(table.cell(row, table::kUrl).empty());
        EXPECT_EQ(table.cell(row, table::kSeller), "");
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 0);
    EXPECT_EQ(panel.messages(),
              std::vector<std::string>{gbk("暂不支持DetailSrp模式关键词\r\n请使用本软件的列表页查询模式")});
    EXPECT_EQ(panel.status(), search::stoppedText());
    expectIdle();
}

TEST_F(SearchWalkE2e, TheClickChecksItsInputsAndTogglesTheButton) {
    search::WalkContext ctx = context();
    search::onSearchButtonClicked(ctx);
    EXPECT_EQ(panel.messages(), std::vector<std::string>{gbk("请输入关键词")});
    EXPECT_EQ(state.threads.running(), 0);

    panel.setKeyword(gbk("茶叶"));
    for (const char* count : {"", "0", "x"}) {
        panel.setPageCountText(count);
        // Hold the walk at its first page so the running state can be seen.
        std::mutex gate;
        std::unique_lock held(gate);
        std::promise<void> arrived;
        std::atomic<bool> signalled{false};
        fetcher.setHook([&](const std::string& url) {
            if (url.find("/search?") == std::string::npos) return;
            if (!signalled.exchange(true)) arrived.set_value();
            std::lock_guard wait(gate);
        });
        search::onSearchButtonClicked(ctx);
        EXPECT_EQ(panel.pageCountText(), "1") << count;
        EXPECT_EQ(panel.searchButtonCaption(), search::stopCaption());
        // The walk has locked its controls by the time it asks for the page.
        arrived.get_future().wait();
        EXPECT_FALSE(panel.isEnabled(panel::Control::KeywordEdit));
        search::onSearchButtonClicked(ctx);  // the stop click
        EXPECT_EQ(state.stopRequested.load(), 1);
        expectIdle();
        held.unlock();
        state.threads.joinAll();
        fetcher.setHook(nullptr);
        // Stopped before any item page: no details, and the page walk ended.
        EXPECT_EQ(fetcher.count(sim::kItemPagePath), 0);
        EXPECT_LE(searchRequests().size(), 1u);
        expectIdle();
        server.clearRequests();
    }
}

TEST_F(SearchWalkE2e, StopDuringTheDetailsWritesTheRowInFlightOnly) {
    panel.setKeyword(gbk("连衣裙"));
    panel.setPageCountText("1");
    search::WalkContext ctx = context();
    int itemPages = 0;
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos) return;
        if (++itemPages == 2) search::onSearchButtonClicked(ctx);  // the user clicks stop
    });
    search::onSearchButtonClicked(ctx);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    ASSERT_EQ(table.rowCount(), 44);
    EXPECT_FALSE(table.cell(0, table::kSeller).empty());
    EXPECT_FALSE(table.cell(1, table::kSeller).empty()) << "the row in flight is still written";
    for (int row = 2; row < table.rowCount(); ++row) {
        table::ItemRecord addressOnly;
        addressOnly.seq = std::to_string(row);
        addressOnly.url = table.cell(row, table::kUrl);
        EXPECT_EQ(table.row(row), addressOnly) << row;
    }
    EXPECT_EQ(itemPages, 2);
    EXPECT_EQ(panel.status(), search::stoppedText());
    EXPECT_EQ(panel.progress(), search::progressText(3, 44));
    EXPECT_EQ(state.activeWorkers.load(), 1) << "a stopped worker leaves the counter";
    expectIdle();
}

TEST_F(SearchWalkE2e, DetailFetchPassesOverDoneRowsAndReportsProgress) {
    for (std::int64_t id :
         {sim::fixture::kWorkedExample, sim::fixture::kOversold, sim::fixture::kMallPlain}) {
        const int row = table.appendRow();
        table.setCell(row, table::kSeq, std::to_string(row));
        table.setCell(row, table::kUrl, urlOf(id));
    }
    table.setCell(1, table::kSeller, "done");
    panel.setSearchButtonCaption(search::stopCaption());
    search::WalkContext ctx = context();
    search::startDetailWorkers(ctx, table.generation(), true);

    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 2);
    EXPECT_EQ(table.cell(1, table::kTitle), "");
    EXPECT_EQ(table.cell(2, table::kIsMall), gbk("真"));
    EXPECT_EQ(table.cell(0, table::kStartTime), gbk("2014年7月25日8时"));
    EXPECT_EQ(panel.progressHistory(),
              (std::vector<std::string>{search::progressText(1, 3), search::progressText(2, 3),
                                        search::progressText(3, 3)}));
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();

    // An empty table completes at once.
    table.clear();
    fetcher.clear();
    panel.setSearchButtonCaption(search::stopCaption());
    search::startDetailWorkers(ctx, table.generation(), true);
    EXPECT_TRUE(fetcher.urls().empty());
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(SearchWalkE2e, EightWorkersLeaveTheSameTableAsOne) {
    panel.setKeyword("");  // every listed item
    panel.setPageCountText("3");
    search::WalkContext ctx = context();
    search::runKeywordSearch(ctx, true);
    const std::vector<table::ItemRecord> one = table.snapshot();
    ASSERT_GT(one.size(), 100u);

    workers = 8;
    search::WalkContext eight = context();
    search::runKeywordSearch(eight, false);
    state.threads.joinAll();
    EXPECT_EQ(table.snapshot(), one);
    EXPECT_EQ(state.activeWorkers.load(), 0);
    EXPECT_GT(state.nextRow.load(), static_cast<int>(one.size()));
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(SearchWalkE2e, ALateWriteNeverReachesATableClearedSince) {
    for (int i = 0; i < 4; ++i) {
        const int row = table.appendRow();
        table.setCell(row, table::kSeq, std::to_string(row));
        table.setCell(row, table::kUrl, urlOf(sim::fixture::kWorkedExample));
    }
    // While the first item is being analysed a newer query takes the table over.
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos || table.rowCount() != 4) return;
        table.clear();
        for (int i = 0; i < 2; ++i) {
            const int row = table.appendRow();
            table.setCell(row, table::kUrl, "newer");
        }
    });
    search::WalkContext ctx = context();
    search::startDetailWorkers(ctx, table.generation(), false);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    ASSERT_EQ(table.rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        table::ItemRecord untouched;
        untouched.url = "newer";
        EXPECT_EQ(table.row(row), untouched);
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 1) << "the worker takes no further row";
    EXPECT_NE(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(SearchWalkE2e, ANewSearchWaitsForTheStoppedOneBeforeTakingTheTable) {
    const std::string first = gbk("连衣裙");
    const std::string second = gbk("茶叶");
    panel.setKeyword(first);
    panel.setPageCountText("1");
    search::WalkContext ctx = context();
    int itemPages = 0;
    fetcher.setHook([&](const std::string& url) {
        if (url.find(sim::kItemPagePath) == std::string::npos) return;
        if (++itemPages != 2) return;
        search::onSearchButtonClicked(ctx);  // stop ...
        panel.setKeyword(second);
        search::onSearchButtonClicked(ctx);  // ... and start again at once
    });
    search::onSearchButtonClicked(ctx);
    state.threads.joinAll();
    fetcher.setHook(nullptr);

    const auto results = expectedResults(second);
    ASSERT_EQ(table.rowCount(), static_cast<int>(std::min<std::size_t>(results.size(), 44)));
    for (int row = 0; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.row(row), expectedRow(row, *results[static_cast<std::size_t>(row)])) << row;
    }
    EXPECT_EQ(panel.status(), search::doneText());
    expectIdle();
}

TEST_F(SearchWalkE2e, ListPageQueryWalksThePastedAddressWithoutDedupe) {
    const std::string keyword = gbk("连衣裙");
    const std::string address =
        "http://" + market.searchHost + "/list/pasted.htm?cat=16&q=" + search::percentEncode(keyword);
    panel.queueAnswer(address);
    panel.setPageCountText("2");
    search::WalkContext ctx = context();
    search::onListPageButtonClicked(ctx);

    EXPECT_EQ(panel.prompts(), std::vector<std::string>{search::listPagePrompt()});
    const auto pages = searchRequests();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].target, address.substr(address.find("/list/")) + "&s=0");
    EXPECT_EQ(pages[1].target, address.substr(address.find("/list/")) + "&s=44");

    const auto results = expectedResults(keyword);
    // Page 2 repeats the last listing of page 1: here it is a row of its own.
    ASSERT_EQ(table.rowCount(), static_cast<int>(results.size()) + 1);
    EXPECT_EQ(table.cell(44, table::kUrl), table.cell(43, table::kUrl));
    EXPECT_EQ(table.cell(44, table::kSeq), "44");
    for (int row = 0; row < table.rowCount(); ++row) {
        const std::size_t index = static_cast<std::size_t>(row <= 44 ? std::min(row, 43) : row - 1);
        EXPECT_EQ(table.row(row), expectedRow(row, *results[index])) << row;
    }
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), table.rowCount());
    // No completion text: the status keeps the fetch text, the progress its last value.
    EXPECT_EQ(panel.status(), search::fetchingInfoText());
    EXPECT_EQ(panel.progress(), search::progressText(table.rowCount(), table.rowCount()));
    EXPECT_EQ(panel.processEventsCalls(), 2 + table.rowCount());
}

TEST_F(SearchWalkE2e, ListPageQueryCancelZeroPagesAndStop) {
    table.appendRow();
    table.setCell(0, table::kUrl, "kept");
    search::WalkContext ctx = context();

    panel.queueAnswer(std::nullopt);
    search::onListPageButtonClicked(ctx);
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_TRUE(fetcher.urls().empty());

    panel.setStatus("before");
    panel.setPageCountText("0");
    search::runListPageQuery(ctx, "http://" + market.searchHost + "/list/x?q=a");
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(fetcher.urls(), std::vector<std::string>{market.homeUrl()});
    EXPECT_EQ(panel.status(), "before");

    // A stop left over from a keyword search does not hold the query; a stop while
    // it runs ends it before the next item.
    state.stopRequested = 1;
    panel.setPageCountText("1");
    fetcher.clear();
    panel.setProcessEventsHook([&] {
        if (panel.progress() == search::progressText(3, 44)) state.stopRequested = 1;
    });
    search::runListPageQuery(
        ctx, "http://" + market.searchHost + "/list/x?q=" + search::percentEncode(gbk("连衣裙")));
    panel.setProcessEventsHook(nullptr);
    ASSERT_EQ(table.rowCount(), 44);
    EXPECT_EQ(fetcher.count(sim::kItemPagePath), 2);
    EXPECT_FALSE(table.cell(1, table::kSeller).empty());
    EXPECT_EQ(table.cell(2, table::kSeller), "");
    EXPECT_EQ(panel.status(), search::stoppedText());
}

TEST_F(SearchWalkE2e, RefreshRetriesFailedRowsAndGivesUpAfterThreeTries) {
    const std::string removed = urlOf(sim::fixture::kRemoved);
    const std::string noBlock = urlOf(sim::fixture::kNoListingBlock);
    const std::string flaky = urlOf(sim::fixture::kWorkedExample);
    struct Row {
        std::string url, title, seller, start;
    };
    const Row rows[] = {
        {urlOf(sim::fixture::kOversold), "t", "s", "d"},  // complete: never taken
        {removed, "", "", ""},                            // fails every time
        {"", "", "", ""},                                 // no address
        {noBlock, "", "seller", ""},                      // no start date ever
        {flaky, "keep me", "", ""},                       // first try fails
    };
    for (const Row& r : rows) {
        const int row = table.appendRow();
        table.setCell(row, table::kUrl, r.url);
        table.setCell(row, table::kTitle, r.title);
        table.setCell(row, table::kSeller, r.seller);
        table.setCell(row, table::kStartTime, r.start);
        table.setCell(row, table::kPrice, "old price");
    }
    fetcher.failFirst(flaky, 1);
    search::WalkContext ctx = context();
    const int analyses = search::refreshFailedItems(ctx);

    // Address pass: the empty address 3 times. Seller pass: removed 3, empty 3,
    // flaky 2. Start pass: removed 3, empty 3, no-block 3.
    EXPECT_EQ(analyses, 20);
    EXPECT_EQ(fetcher.count(removed), 6);
    EXPECT_EQ(fetcher.count(noBlock), 3);
    EXPECT_EQ(fetcher.count(flaky), 2);
    EXPECT_EQ(fetcher.count(urlOf(sim::fixture::kOversold)), 0);
    EXPECT_EQ(table.cell(4, table::kTitle), "keep me");
    EXPECT_EQ(table.cell(4, table::kPrice), "old price");
    EXPECT_EQ(table.cell(4, table::kSales), "");
    EXPECT_EQ(table.cell(4, table::kSeller), gbk("小美的店"));
    EXPECT_EQ(table.cell(4, table::kStartTime), gbk("2014年7月25日8时"));
    EXPECT_EQ(table.cell(3, table::kSeller), catalogue.find(sim::fixture::kNoListingBlock)->seller);
    EXPECT_EQ(table.cell(2, table::kUrl), "");
    EXPECT_EQ(panel.statusHistory(), (std::vector<std::string>{gbk("正在刷新失败的项目。"), ""}));
    EXPECT_EQ(panel.processEventsCalls(), 1);
    for (panel::Control c : {panel::Control::PageCountEdit, panel::Control::SearchButton,
                             panel::Control::ExportButton, panel::Control::StoreButton}) {
        EXPECT_TRUE(panel.isEnabled(c));
    }

    // Nothing left to refresh but the hopeless rows; a complete table costs nothing.
    table.clear();
    table.appendRow();
    for (int c = 0; c < table::kColumnCount; ++c) table.setCell(0, c, "x");
    fetcher.clear();
    EXPECT_EQ(search::refreshFailedItems(ctx), 0);
    EXPECT_TRUE(fetcher.urls().empty());
}

TEST_F(SearchWalkE2e, RegionHelpShowsItsMessage) {
    search::showRegionHelp(panel);
    EXPECT_EQ(panel.messages(),
              std::vector<std::string>{
                  gbk("使用方法类似淘宝的商品列表页\r\n只需输入需要查询的城市名或者省份名称\r\n")});
}

TEST_F(SearchWalkE2e, DetailWorkersSettingIsClamped) {
    EXPECT_EQ(search::detailWorkersSetting(dataDir), 1);
    const std::filesystem::path ini = dataDir / "configs.ini";
    for (auto [value, expected] :
         std::vector<std::pair<const char*, int>>{{"4", 4}, {"0", 1}, {"99", 16}, {"x", 1}}) {
        ASSERT_TRUE(config::iniWrite(ini, "search", "detailWorkers", value));
        EXPECT_EQ(search::detailWorkersSetting(dataDir), expected) << value;
    }
}

}  // namespace
}  // namespace shelfwatch

#include "search/search_query.h"

#include "search/detail_fetch.h"
#include "search/keyword_search.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

namespace {

using namespace shelfwatch;
using text::gbk;

TEST(PercentEncode, KeepsTheUnreservedSetAndEscapesEverythingElse) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"a b+c", "a%20b%2Bc"},
        {gbk("中"), "%D6%D0"},
        {"*,-./09@AZ_az", "*,-./09@AZ_az"},
        {"~!\"#$%&'()", "%7E%21%22%23%24%25%26%27%28%29"},
        {":;<=>?[\\]^`{|}", "%3A%3B%3C%3D%3E%3F%5B%5C%5D%5E%60%7B%7C%7D"},
        {std::string("\x00\x7F\x80\xFF", 4), "%00%7F%80%FF"},
        {gbk("杭州,上海"), "%BA%BC%D6%DD,%C9%CF%BA%A3"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(search::percentEncode(c.input), c.expected) << c.input;
}

TEST(SearchSortKey, FollowsTheSortAndDirectionTable) {
    const char* const desc[] = {"default",     "renqi-desc", "sale-desc",
                                "credit-desc", "old_starts", "price-desc"};
    const char* const asc[] = {"default", "renqi-asc", "sale-asc", "credit-asc", "old_ends", "price-asc"};
    for (int sort = 0; sort < 6; ++sort) {
        EXPECT_EQ(search::searchSortKey(sort, 0), desc[sort]) << sort;
        EXPECT_EQ(search::searchSortKey(sort, 1), asc[sort]) << sort;
        EXPECT_EQ(search::searchSortKey(sort, -1), asc[sort]) << "no direction " << sort;
    }
    for (int direction : {-1, 0, 1}) EXPECT_EQ(search::searchSortKey(-1, direction), "default");
}

TEST(InitiativeId, UsesTheChinaDateOfTheClock) {
    item::FixedClock clock(item::fromCivil(2015, 1, 9, 23, 59, 59));
    EXPECT_EQ(search::initiativeId(clock), "staobaoz_20150109");
    clock.set(item::fromCivil(2014, 3, 5));
    EXPECT_EQ(search::initiativeId(clock), "staobaoz_20140305");
}

TEST(SearchPageAddress, BuildsBothForms) {
    search::SearchPageQuery query;
    query.spm = "a1.2";
    query.initiativeId = "staobaoz_20150109";
    query.sortKey = "old_ends";
    query.keyword = "a b+c";
    query.offset = 88;
    EXPECT_EQ(search::searchPageAddress("s.example:81", query),
              "http://s.example:81/search?spm=a1.2&promote=0&commend=all&fs=0&ssid=s5-e&search_type=item"
              "&sourceId=tb.index&initiative_id=staobaoz_20150109&sort=old_ends&style=list&tab=all"
              "&q=a%20b%2Bc&s=88");
    query.region = gbk("杭州,上海");
    query.spm.clear();
    query.offset = 0;
    EXPECT_EQ(search::searchPageAddress("s.example:81", query),
              "http://s.example:81/search?spm=&promote=0&commend=all&fs=0&loc=%BA%BC%D6%DD,%C9%CF%BA%A3"
              "&ssid=s5-e&search_type=item&filterFineness=2&sourceId=tb.index&initiative_id=staobaoz_20150109"
              "&sort=old_ends&style=list&tab=all&q=a%20b%2Bc&s=0");
}

TEST(PageOffset, StepsBy44AndHoldsEveryPageNumberWithoutOverflow) {
    EXPECT_EQ(search::pageOffset(1), 0);
    EXPECT_EQ(search::pageOffset(2), 44);
    // The first page whose offset no longer fits in 32 bits, and the largest page
    // number the page-count field can hold.
    EXPECT_EQ(search::pageOffset(48806449), 2147483712);
    EXPECT_EQ(search::pageOffset(2147483647), 94489280424);
    search::SearchPageQuery query;
    query.offset = search::pageOffset(48806449);
    const std::string address = search::searchPageAddress("s.example", query);
    EXPECT_EQ(address.substr(address.rfind("&s=")), "&s=2147483712");
}

std::string anchor(const std::string& traceNum, const std::string& href, const std::string& title = "t") {
    return "<a trace=\"auction\" traceNum=\"" + traceNum + "\" data-pid=\"1\" href=\"" + href +
           "\" target=\"_blank\" title=\"" + title + "\">";
}

std::string page(const std::string& body) {
    return "<html>" + anchor("2", "before-block") + "<div class=\"tb-content\">\n" + body +
           gbk("<!--分页-->") + anchor("2", "after-block") + "</html>";
}

TEST(ItemLinks, CutsTheResultBlockAndMatchesTheItemPattern) {
    struct Case {
        const char* name;
        std::string page;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"traceNum 2 and 3, not 1",
         page(anchor("2", "u2") + anchor("1", "u1") + anchor("3", "u3")),
         {"u2", "u3"}},
        {"attributes across line breaks", page(anchor("2", "u\n1", "multi\nline")), {"u\n1"}},
        {"run across a picture box is dropped",
         page("<a trace=\"auction\" traceNum=\"2\" data-pid=\"ad\" href=\"ad\" target=\"_self\" title=\"x\">"
              "<div class=\"pic-box-big\">\n" +
              anchor("3", "swallowed") + anchor("2", "kept")),
         {"kept"}},
        {"picture box without line feed stays",
         page("<a trace=\"auction\" traceNum=\"2\" data-pid=\"ad\" href=\"ad\" target=\"_self\" title=\"x\">"
              "<div class=\"pic-box-big\">" +
              anchor("3", "next")),
         {"ad\" target=\"_self\" title=\"x\"><div class=\"pic-box-big\"><a trace=\"auction\" traceNum=\"3\" "
          "data-pid=\"1\" href=\"next"}},
        {"text after a quote stays in the group", page(anchor("2", "u\" data-x=\"1")), {"u\" data-x=\"1"}},
        {"no pager marker", "<div class=\"tb-content\">" + anchor("2", "u"), {}},
        {"no block marker", anchor("2", "u") + gbk("<!--分页-->"), {}},
        {"unfinished anchors before a whole one: the first start takes the rest",
         page("<a trace=\"auction\" traceNum=\"2\" data-pid=\"<a trace=\"auction\" traceNum=\"2\" "
              "data-pid=\"" +
              anchor("2", "u")),
         {"u"}},
        {"case-sensitive",
         page("<A trace=\"auction\" traceNum=\"2\" data-pid=\"1\" href=\"u\" target=\"_blank\" "
              "title=\"t\">"),
         {}},
    };
    for (const Case& c : cases) EXPECT_EQ(search::itemLinks(c.page), c.expected) << c.name;
}

TEST(ItemLinks, RecognisesTheDetailSrpLayout) {
    EXPECT_TRUE(search::isDetailSrpPage("x{\"currentPage\":\"detailsrp\"}"));
    EXPECT_FALSE(search::isDetailSrpPage("x{'currentPage':'detailsrp'}"));
    EXPECT_FALSE(search::isDetailSrpPage("x{\"currentPage\":\"mainsrp\"}"));
}

TEST(AppendPageItems, TestsDuplicatesOnTheUncutLinkAndStoresTheCutOne) {
    table::ResultTable table;
    const std::string body = anchor("2", "a") + anchor("3", "b\" x=\"1") + anchor("2", "b\" x=\"2") +
                             anchor("2", "a") + anchor("3", "b");
    const std::uint64_t generation = table.generation();
    std::unordered_set<std::string> known;
    // The plain "b" at the end finds the cut address of an earlier row.
    EXPECT_EQ(search::appendPageItems(table, generation, page(body), &known), 3);
    ASSERT_EQ(table.rowCount(), 3);
    const char* const urls[] = {"a", "b", "b"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(table.cell(row, table::kSeq), std::to_string(row));
        EXPECT_EQ(table.cell(row, table::kUrl), urls[row]);
        EXPECT_EQ(table.cell(row, table::kTitle), "");
    }
    // The same page again: only the links holding a quote are new each time.
    EXPECT_EQ(search::appendPageItems(table, generation, page(body), &known), 2);
    // Without the test every link is a row.
    EXPECT_EQ(search::appendPageItems(table, generation, page(body), nullptr), 5);
    EXPECT_EQ(table.rowCount(), 10);
    EXPECT_EQ(table.cell(9, table::kSeq), "9");
}

TEST(AppendPageItems, AddsNothingToATableClearedSince) {
    table::ResultTable table;
    const std::uint64_t stale = table.generation();
    table.clear();
    EXPECT_EQ(search::appendPageItems(table, stale, page(anchor("2", "a")), nullptr), 0);
    EXPECT_EQ(table.rowCount(), 0);
}

TEST(DetailCells, WritesTheTextFormsAndSkipsEarlyDates) {
    item::ItemDetails details;
    details.title = gbk("标题");
    details.seller = "nick";
    details.startTime = item::fromCivil(2014, 7, 25, 10, 30, 0);
    details.endTime = item::fromCivil(2014, 8, 1);
    details.minutesLeft = 1440;
    details.sales = "30";
    details.stock = "70";
    details.isMall = 1;
    details.price = "199.00 -> 99.00";
    details.location = gbk("杭州");

    table::ResultTable table;
    table.appendRow();
    table.setCell(0, table::kStartTime, "kept");
    search::writeDetailCells(table, table.generation(), 0, details, search::kAllDetailColumns);
    table::ItemRecord expected;
    expected.title = gbk("标题");
    expected.seller = "nick";
    expected.startTime = gbk("2014年7月25日10时30分");
    expected.endTime = gbk("2014年8月1日");
    expected.minutesLeft = "1440";
    expected.sales = "30";
    expected.stock = "70";
    expected.isMall = gbk("真");
    expected.price = "199.00 -> 99.00";
    expected.location = gbk("杭州");
    EXPECT_EQ(table.row(0), expected);

    // Year 2000 and earlier leave the cells as they were; a marketplace item is "假".
    details.startTime = item::fromCivil(2000, 12, 31, 23, 0, 0);
    details.endTime = item::msToDateTime(0);
    details.isMall = 0;
    search::writeDetailCells(table, table.generation(), 0, details, search::kRefreshColumns);
    EXPECT_EQ(table.cell(0, table::kStartTime), expected.startTime);
    EXPECT_EQ(table.cell(0, table::kEndTime), expected.endTime);
    EXPECT_EQ(table.cell(0, table::kIsMall), gbk("假"));

    // A write for a cleared table lands nowhere.
    const std::uint64_t stale = table.generation();
    table.clear();
    table.appendRow();
    search::writeDetailCells(table, stale, 0, details, search::kAllDetailColumns);
    EXPECT_EQ(table.row(0), table::ItemRecord{});
}

}  // namespace

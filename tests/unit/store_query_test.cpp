// The store query's pure parts: the UTF-8 step, the page address with its
// doubled "&&", and turning one list-service answer into rows.
#include "search/store_query.h"

#include "table/result_table.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>

namespace shelfwatch::search {
namespace {

using text::gbk;

TEST(StoreQueryTest, Utf8BytesEndAtTheFirstZero) {
    EXPECT_EQ(toUtf8Bytes(gbk("茶叶店")), "茶叶店");
    EXPECT_EQ(toUtf8Bytes(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(toUtf8Bytes(""), "");
}

TEST(StoreQueryTest, PageAddresses) {
    const struct {
        const char* nick;
        std::int64_t offset;
        const char* expectedNick;
        const char* reason;
    } cases[] = {
        {"茶叶店", 0, "%E8%8C%B6%E5%8F%B6%E5%BA%97", "UTF-8 bytes, percent-encoded"},
        {"茶叶 店", 44, "%E8%8C%B6%E5%8F%B6%20%E5%BA%97", "an inner space is kept and encoded"},
        {"tb_shop-1.x", 88, "tb_shop-1.x", "safe ASCII stays"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(storePageAddress("list.example:81", gbk(c.nick), "a21bo.1.2", c.offset),
                  std::string("http://list.example:81/itemlist/default.htm?_input_charset=utf-8&json=on&"
                              "ratesumto=20&cat=0&nick=") +
                      c.expectedNick + "&fromPage=adSearch&&viewIndex=1&spm=a21bo.1.2&pSize=44&data-key=s&" +
                      "data-value=" + std::to_string(c.offset) + "&module=page")
            << c.reason;
    }
}

TEST(StoreQueryTest, AnswerItemsBecomeRows) {
    table::ResultTable table;
    table.appendRow();  // positions count from the rows already there
    const std::string answer = gbk(R"({"itemList":[
        {"tip":"连衣裙","href":"http://i/1","nick":"小美的店","tradeNum":"30"},
        {"tip":"  T恤 ","href":"http://i/2","tradeNum":12},
        {"tip":"\u8336","href":"http://i/1","nick":"n","tradeNum":"5","price":"9.00"}]})");
    EXPECT_EQ(appendListServiceItems(table, answer), 3);
    ASSERT_EQ(table.rowCount(), 4);
    const table::ItemRecord first = table.row(1);
    EXPECT_EQ(first.seq, "1");
    EXPECT_EQ(first.title, gbk("连衣裙"));
    EXPECT_EQ(first.url, "http://i/1");
    EXPECT_EQ(first.seller, gbk("小美的店"));
    EXPECT_EQ(first.sales, "30");
    EXPECT_EQ(first.price, "") << "only the four list columns are written";
    EXPECT_EQ(table.row(2).title, gbk("  T恤 ")) << "values are written untrimmed";
    EXPECT_EQ(table.row(2).seller, "") << "a missing field gives an empty cell";
    EXPECT_EQ(table.row(2).sales, "12");
    EXPECT_EQ(table.row(3).seq, "3");
    EXPECT_EQ(table.row(3).url, "http://i/1") << "no duplicate test";
}

TEST(StoreQueryTest, AnswersWithoutItemsAddNothing) {
    const char* answers[] = {"",
                             "  ",
                             "<html>busy</html>",
                             R"({})",
                             R"({"itemList":{}})",
                             R"({"itemList":[)",
                             R"({"data":{"itemList":[{"tip":"a"}]}})"};
    for (const char* answer : answers) {
        table::ResultTable table;
        EXPECT_EQ(appendListServiceItems(table, answer), 0) << answer;
        EXPECT_EQ(table.rowCount(), 0) << answer;
    }
}

TEST(StoreQueryTest, RowsLandOnlyForTheirGeneration) {
    table::ResultTable table;
    const std::uint64_t old = table.generation();
    table.clear();
    EXPECT_EQ(appendListServiceItems(table, old, R"({"itemList":[{"tip":"a"}]})"), 0);
    EXPECT_EQ(table.rowCount(), 0);
}

}  // namespace
}  // namespace shelfwatch::search

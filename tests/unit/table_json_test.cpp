// The typed JSON record: types a program can rely on, one shape for a row and
// for an item, and reading such files back for the statistics within bounds.
#include "report/table_json.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace shelfwatch::report {
namespace {

using nlohmann::json;
using text::gbk;

table::ItemRecord fullRow() {
    table::ItemRecord row;
    row.seq = "7";
    row.title = gbk("连衣裙");
    row.url = "http://item.example/item.htm?id=1";
    row.seller = gbk("小美的店");
    row.startTime = gbk("2014年7月25日8时");
    row.endTime = gbk("2014年8月1日15时30分20秒");
    row.minutesLeft = "-90";
    row.sales = "30";
    row.stock = "70";
    row.isMall = gbk("真");
    row.price = "128.00";
    row.location = gbk("浙江杭州");
    return row;
}

TEST(TableJson, ValuesAreTyped) {
    const json record = json::parse(rowJson(fullRow()));
    EXPECT_EQ(record["seq"], 7);
    EXPECT_EQ(record["title"], "连衣裙");
    EXPECT_EQ(record["startTime"], "2014年7月25日8时");
    EXPECT_EQ(record["startIso"], "2014-07-25T08:00:00+08:00");
    EXPECT_EQ(record["endTime"], "2014年8月1日15时30分20秒");
    EXPECT_EQ(record["endIso"], "2014-08-01T15:30:20+08:00");
    EXPECT_EQ(record["minutesLeft"], -90);
    EXPECT_EQ(record["sales"], 30);
    EXPECT_EQ(record["stock"], 70);
    EXPECT_EQ(record["isMall"], true);
    EXPECT_EQ(record["price"], "128.00");  // prices may be ranges; text
    EXPECT_TRUE(record["message"].is_null());
}

struct NullCase {
    int column;
    const char* cell;
    const char* key;
    const char* reason;
};

TEST(TableJson, WhatIsNotThereIsNull) {
    const NullCase cases[] = {
        {table::kSales, "", "sales", "a row whose details were never fetched"},
        {table::kStock, "12x", "stock", "not a whole number"},
        {table::kMinutesLeft, "99999999999999999999", "minutesLeft", "beyond 64 bits"},
        {table::kIsMall, "", "isMall", "unknown"},
        {table::kStartTime, "", "startTime", "no start time"},
        {table::kStartTime, "", "startIso", "no start time"},
        {table::kEndTime, "soon", "endIso", "not a date-time"},
    };
    for (const NullCase& c : cases) {
        SCOPED_TRACE(c.reason);
        table::ItemRecord row = fullRow();
        row.field(c.column) = c.cell;
        EXPECT_TRUE(json::parse(rowJson(row))[c.key].is_null());
    }
    table::ItemRecord row = fullRow();
    row.isMall = gbk("假");
    EXPECT_EQ(json::parse(rowJson(row))["isMall"], false);
}

TEST(TableJson, AnItemHasTheShapeOfARow) {
    item::ItemDetails details;
    details.title = gbk("保温杯");
    details.isMall = 1;
    details.stock = "57";
    details.sales = "1234";
    details.startTime = item::fromCivil(2014, 7, 28, 8);
    details.endTime = item::DateTime{};  // never found on the page
    details.minutesLeft = 5760;
    details.message = gbk("很抱歉");
    const json item = json::parse(itemJson("http://i/item.htm?id=2", details));
    const json row = json::parse(rowJson(fullRow()));
    std::vector<std::string> itemKeys;
    std::vector<std::string> rowKeys;
    for (const auto& [key, value] : item.items()) itemKeys.push_back(key);
    for (const auto& [key, value] : row.items()) rowKeys.push_back(key);
    EXPECT_EQ(itemKeys, rowKeys);
    EXPECT_TRUE(item["seq"].is_null());
    EXPECT_EQ(item["url"], "http://i/item.htm?id=2");
    EXPECT_EQ(item["startIso"], "2014-07-28T08:00:00+08:00");
    EXPECT_TRUE(item["endTime"].is_null());
    EXPECT_TRUE(item["endIso"].is_null());
    EXPECT_EQ(item["sales"], 1234);
    EXPECT_EQ(item["isMall"], true);
    EXPECT_EQ(item["message"], "很抱歉");
}

std::vector<ListingTexts> listingsOf(const std::string& input, std::string& error,
                                     JsonReadLimits limits = {}) {
    std::istringstream in(input);
    std::vector<ListingTexts> out;
    error.clear();
    readJsonListings(
        in, [&out](ListingTexts&& l) { out.push_back(std::move(l)); }, error, limits);
    return out;
}

TEST(TableJson, ReadsBackWhatItWrites) {
    table::ItemRecord second = fullRow();
    second.title = gbk("保温杯");
    second.startTime.clear();
    std::string error;
    const std::vector<ListingTexts> back = listingsOf(tableJson({fullRow(), second}), error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].title, gbk("连衣裙"));
    EXPECT_EQ(back[0].start, gbk("2014年7月25日8时"));
    EXPECT_EQ(back[0].end, gbk("2014年8月1日15时30分20秒"));
    EXPECT_EQ(back[1].start, "");

    // One item's record, and a record that only has the ISO forms.
    const std::vector<ListingTexts> single =
        listingsOf(R"({"title":"t","endIso":"2014-08-01T08:00:00+08:00","nested":{"title":"no"}})", error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].title, "t");
    EXPECT_EQ(dateTimeFromText(single[0].end), item::fromCivil(2014, 8, 1, 8));
}

TEST(TableJson, RefusesWhatIsNotATable) {
    struct Case {
        std::string input;
        const char* error;  // its start
        const char* reason;
    };
    JsonReadLimits limits;
    limits.maxInputBytes = 10000;
    limits.maxTokenBytes = 100;
    const Case cases[] = {
        {"42", "not a table", "a bare number"},
        {"[{\"title\":\"a\"},", "not JSON", "cut short"},
        {"[" + std::string(20000, ' ') + "]", "the input is longer than 10000 bytes", "too long"},
        {"[\"" + std::string(500, 'x') + "\"]", "a JSON value is longer than 100 bytes", "one giant string"},
        {"[" + std::string(500, '1') + "]", "a JSON value is longer than 100 bytes", "one giant number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::string error;
        listingsOf(c.input, error, limits);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

}  // namespace
}  // namespace shelfwatch::report

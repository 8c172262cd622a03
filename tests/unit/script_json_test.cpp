// Reading list-service answers by path: every path form the callers use, what a
// failure reads as, the text forms of values, and hostile answers that must fail
// like an invalid one without crashing or running away.
#include "json/script_json.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>

namespace shelfwatch::json {
namespace {

using text::gbk;

// One answer in the shape of the list service, Chinese written both raw and as
// \u escapes, numbers where others write strings.
const std::string kAnswer = gbk(R"({
    "cat": {
      "hasGroup": "1",
      "catList": [],
      "catGroupList": [
        {"name": "女装", "catList": [{"name": "连衣裙", "value": "50010850"},
                                     {"name": "\u0054\u6064", "value": 50000436}]},
        {"name": "箱包", "catList": [{"name": "双肩包", "value": "bag"}]}
      ]
    },
    "selectedCondition": {"totalNumber": 1234},
    "itemList": [
      {"tip": "夏季\u65b0款 连衣裙", "href": "http://item/1", "nick": "小美的店", "tradeNum": "30"},
      {"tip": "T恤", "href": "http://item/2", "nick": "\u6f6e\u7537", "tradeNum": 7.5},
      {"tip": "", "href": null, "tradeNum": true, "extra": {"2": "two"}}
    ],
    "flags": [false, null, -0, 1e3, 12.0, 0.1, 123456789012345]
})");

struct ValueCase {
    const char* path;
    const char* expected;  // UTF-8
    const char* reason;
};

TEST(ScriptJsonTest, ValuesByPath) {
    ScriptJson json;
    json.load("data", kAnswer);
    const ValueCase cases[] = {
        {"data.cat.hasGroup", "1", "member chain to a string"},
        {"data.cat.catGroupList[0].catList[1].name", "T恤", "\\u escapes decode to the characters"},
        {"data.cat.catGroupList[0].catList[1].value", "50000436", "an integer without fraction"},
        {"data.cat.catGroupList[1].catList[0].value", "bag", "a value that is no number stays text"},
        {"data.selectedCondition.totalNumber", "1234", "a number where others write a string"},
        {"data.itemList[0].tip", "夏季新款 连衣裙", "raw and escaped Chinese in one string"},
        {"data.itemList[1].nick", "潮男", "escaped nick"},
        {"data.itemList[1].tradeNum", "7.5", "a fraction in its shortest form"},
        {"data.itemList[2].tip", "", "an empty string"},
        {"data.itemList[2].href", "", "null reads as empty"},
        {"data.itemList[2].tradeNum", "true", "true as text"},
        {"data.flags[0]", "false", "false as text"},
        {"data.flags[2]", "0", "minus zero prints as 0"},
        {"data.flags[3]", "1000", "an exponent written out"},
        {"data.flags[4]", "12", "a whole float without fraction"},
        {"data.flags[5]", "0.1", "shortest exact form"},
        {"data.flags[6]", "123456789012345", "a large integer in full"},
        {"data.itemList[2].extra[2]", "two", "an index on an object names its member"},
        {"data.itemList[2].nick", "", "a missing last member"},
        {"data.nothing.at.all", "", "a path through a missing member"},
        {"data.itemList[3].tip", "", "an index out of range"},
        {"data.itemList[0].tip.length.x", "", "a member of a string"},
        {"data.cat.hasGroup[0]", "", "an index into a string"},
        {"data.itemList", "", "an array reads as empty"},
        {"data.cat", "", "an object reads as empty"},
        {"other.cat", "", "an undefined name"},
        {"data.itemList[x].tip", "", "an index that is not decimal"},
        {"data..cat", "", "an empty member name"},
        {"data.itemList[0", "", "an unclosed index"},
        {"", "", "no path at all"},
    };
    for (const ValueCase& c : cases) {
        EXPECT_EQ(json.getValue(c.path), gbk(c.expected)) << c.path << ": " << c.reason;
    }
}

TEST(ScriptJsonTest, LengthsByPath) {
    ScriptJson json;
    json.load("data", kAnswer);
    const struct {
        const char* path;
        int expected;
        const char* reason;
    } cases[] = {
        {"data.itemList", 3, "an array's element count"},
        {"data.cat.catList", 0, "an empty array"},
        {"data.cat.missingList", 0, "a missing array reads the same"},
        {"data.cat.catGroupList[1].catList", 1, "nested"},
        {"data.itemList[0].tip", 8, "a string's character count, not its bytes"},
        {"data.selectedCondition.totalNumber", 0, "a number has no length"},
        {"data.cat", 0, "an object without a length member"},
        {"data.itemList[5]", 0, "out of range"},
    };
    for (const auto& c : cases) EXPECT_EQ(json.getLen(c.path), c.expected) << c.path << ": " << c.reason;
}

TEST(ScriptJsonTest, FailedAndRepeatedLoads) {
    const struct {
        std::string answer;
        const char* reason;
    } failing[] = {
        {"", "an empty answer leaves the name undefined"},
        {"   \r\n", "blank"},
        {gbk("<html><title>出错了</title></html>"), "an error page"},
        {R"({"itemList":[{"tip":"a"})", "a truncated answer"},
        {R"({"itemList":[]} trailing)", "text after the value"},
        {R"({'data':1})", "script syntax that is not JSON"},
        {std::string(100000, '[') + std::string(100000, ']'), "nested far deeper than any answer"},
        {"[" + std::string(json::kMaxAnswerBytes, ' ') + "]", "larger than any answer"},
        {R"({"s":"\ud800"})", "a lone surrogate escape"},
    };
    for (const auto& c : failing) {
        ScriptJson json;
        json.load("data", R"({"itemList":[1,2]})");
        ASSERT_EQ(json.getLen("data.itemList"), 2);
        // A failed load must not leave the previous answer readable: a walk would
        // append the previous page's rows again.
        json.load("data", c.answer);
        EXPECT_EQ(json.getLen("data.itemList"), 0) << c.reason;
        EXPECT_EQ(json.getValue("data.itemList[0]"), "") << c.reason;
        EXPECT_EQ(json.getLen("data"), 0) << c.reason;
    }

    ScriptJson json;
    json.load("data", R"({"v":"first"})");
    json.load("data", R"({"v":"second"})");
    EXPECT_EQ(json.getValue("data.v"), "second") << "the second answer wins";

    ScriptJson copy = json;
    copy.load("data", R"({"v":"third"})");
    EXPECT_EQ(json.getValue("data.v"), "third") << "copies share one engine";

    ScriptJson fresh;
    EXPECT_EQ(fresh.getValue("data.v"), "") << "a fresh object starts empty";
}

TEST(ScriptJsonTest, DeepButBoundedNestingStillReads) {
    // A plausible depth is read; only runaway nesting fails.
    std::string answer;
    std::string path = "data";
    for (int i = 0; i < 100; ++i) {
        answer += "{\"a\":";
        path += ".a";
    }
    answer += "\"deep\"" + std::string(100, '}');
    ScriptJson json;
    json.load("data", answer);
    EXPECT_EQ(json.getValue(path), "deep");
}

}  // namespace
}  // namespace shelfwatch::json

#include "text/pattern.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using shelfwatch::text::gbk;
using shelfwatch::text::Pattern;

// Group 1 of every match, left to right.
std::vector<std::string> firstGroups(const Pattern& pattern, std::string_view text) {
    std::vector<std::string> out;
    for (const Pattern::Match& m : pattern.findAll(text)) out.emplace_back(m.groups[1]);
    return out;
}

std::string repeated(std::string_view unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out.append(unit);
    return out;
}

TEST(Pattern, MatchesAsTheBacktrackingEnginesDid) {
    struct Case {
        const char* why;
        std::string expression;
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a lazy group takes the shortest text that lets the rest match", "<(.+?)>", "<a><b>", {"a", "b"}},
        {"leftmost-first, not longest: the first alternative wins", "x(a|ab)", "xab", {"a"}},
        {"a lazy group may run past a shorter candidate to let the rest match",
         "a(.+?)bc",
         "a1b2bc",
         {"1b2"}},
        {"dot crosses line breaks", "a(.+?)b", "a\r\n1b", {"\r\n1"}},
        {"dot is one byte: a GBK character is two", "<(.)>", "<" + gbk("中") + "><x>", {"x"}},
        {"GBK bytes in a group come back untouched", "\"(.+?)\"", "\"" + gbk("天猫") + "\"", {gbk("天猫")}},
        {"GBK bytes in the expression match the same bytes",
         gbk("分页") + "(.+?);",
         "a" + gbk("分页") + "x;",
         {"x"}},
        {"bytes 0x00 and 0xFF are characters like any other",
         "a(.+?)b",
         std::string("a\0\xFF"
                     "b",
                     4),
         {std::string("\0\xFF", 2)}},
        {"case-sensitive", "J_(.+?)x", "j_1x J_2x", {"2"}},
        {"matches do not overlap: the search goes on after the previous end", "(..)", "abcde", {"ab", "cd"}},
        {"no match", "a(.+?)b", "aaaa", {}},
        {"empty text", "a(.*?)b", "", {}},
        {"unfinished starts before one whole match: the first start wins",
         "<s n=\"(.+?)\" t=\"(.+?)\">",
         repeated("<s n=\"", 200) + "1\" t=\"2\">",
         {repeated("<s n=\"", 199) + "1"}},
    };
    for (const Case& c : cases) {
        const Pattern pattern(c.expression);
        EXPECT_EQ(firstGroups(pattern, c.text), c.expected) << c.why;
    }
}

TEST(Pattern, GroupsAndEarlyStop) {
    const Pattern pattern("(a)|(b)");
    EXPECT_EQ(pattern.groupCount(), 2);
    const auto first = pattern.findFirst("xb");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->groups[0], "b");
    EXPECT_TRUE(first->groups[1].empty()) << "a group that took no part is empty";
    EXPECT_EQ(first->groups[2], "b");
    EXPECT_FALSE(pattern.findFirst("xyz").has_value());

    int seen = 0;
    pattern.forEachMatch("ababab", [&](const Pattern::Match&) { return ++seen < 2; });
    EXPECT_EQ(seen, 2) << "returning false ends the walk";

    const Pattern empty("x*");
    EXPECT_EQ(empty.findAll("ab").size(), 3u) << "an empty match steps on, once per position";
}

TEST(Pattern, RefusesAnExpressionThatDoesNotCompile) {
    EXPECT_THROW(Pattern("(unclosed"), std::invalid_argument);
    EXPECT_THROW(Pattern("a(?<=b)"), std::invalid_argument)
        << "no look-behind: it would not run in linear time";
}

}  // namespace

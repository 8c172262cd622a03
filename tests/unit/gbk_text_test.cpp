#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace text = shelfwatch::text;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

struct FindCase {
    const char* name;
    std::string text;
    std::string sought;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(GbkText, Find) {
    // 中 is D6 D0, 文 is CE C4: "D0 CE" occurs across the two characters.
    const std::string zhongwen = text::gbk("中文");
    // 丄 is 81 41: its trail byte is the letter A.
    const std::string trailA = text::gbk("丄") + "A";
    const FindCase cases[] = {
        {"plain", "hello world", "world", 1, false, 7},
        {"not found", "hello", "xyz", 1, false, -1},
        {"from start", "abcabc", "abc", 2, false, 4},
        {"start below one", "abc", "a", -5, false, 1},
        {"start beyond end", "abc", "a", 4, false, -1},
        {"empty sought", "abc", "", 2, false, 1},
        {"empty sought at end", "abc", "", 4, false, -1},
        {"empty text", "", "a", 1, false, -1},
        {"across characters", zhongwen, bytes({0xD0, 0xCE}), 1, false, -1},
        {"whole character", zhongwen, text::gbk("文"), 1, false, 3},
        {"trail byte is not a start", trailA, "A", 1, false, 3},
        {"boundaries counted from start", trailA, "A", 2, false, 2},
        {"ignore case", "Hello WORLD", "world", 1, true, 7},
        {"case matters", "Hello WORLD", "world", 1, false, -1},
        {"ignore case skips trail", trailA, "a", 1, true, 3},
        {"ignore case keeps double-byte exact", text::gbk("价格Ab"), text::gbk("格ab"), 1, true, 3},
        {"sought longer than rest", "abc", "abcd", 1, false, -1},
        {"lone lead byte at end", bytes({'a', 0xD6}), bytes({0xD6}), 1, false, 2},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(text::find(c.text, c.sought, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(GbkText, FindAfterLongDoubleByteRun) {
    // A candidate deep inside a run of double-byte characters tests the
    // eight-byte ASCII skip and the boundary walk together.
    // D0 CE straddles 中|文 in every block and is a real character only at the end.
    std::string page;
    for (int i = 0; i < 1000; ++i) page += "ab" + text::gbk("中文") + "cdefghij";
    page += bytes({0xD0, 0xCE});
    EXPECT_EQ(text::find(page, bytes({0xD0, 0xCE})), static_cast<int>(page.size()) - 1);
    EXPECT_EQ(text::find(page, "jab", 1), 14);
    EXPECT_EQ(text::find(page, "jab", 15), 28);
}

// The boundary rule as first written: walk whole characters forward from the
// start to every candidate. find must agree with it everywhere.
int findByWalk(std::string_view text, std::string_view sought, int start) {
    if (start < 1) start = 1;
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (begin >= text.size()) return -1;
    if (sought.empty()) return 1;
    for (std::size_t at = begin; at + sought.size() <= text.size();
         at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1) {
        if (text.compare(at, sought.size(), sought) == 0) return static_cast<int>(at) + 1;
    }
    return -1;
}

struct BoundaryCase {
    const char* why;
    std::string text;
    std::string sought;
    int start;
};

TEST(GbkText, FindDecidesBoundariesLocally) {
    const BoundaryCase cases[] = {
        {"candidate on the trail byte of the first character", bytes({0xD6, 0xD0, 0xD0}), bytes({0xD0}), 1},
        {"ASCII trail byte, then the same letter as a character", bytes({0x81, 'A', 'A'}), "A", 1},
        {"odd run of lead bytes before the candidate", bytes({'x', 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 'A', 'A'}),
         "A", 1},
        {"even run of lead bytes before the candidate", bytes({'x', 0xB0, 0xB1, 0xB2, 0xB3, 'A'}), "A", 1},
        {"run reaching back to the text start", bytes({0xB0, 0xB1, 0xB2, 'A', 'A'}), "A", 1},
        {"start inside a character shifts the pairing", bytes({0xD6, 0xD0, 0xCE, 0xC4}), bytes({0xD0, 0xCE}),
         2},
        {"start on a trail byte that is ASCII", bytes({0x81, 'A', 0x81, 'A'}), "A", 2},
        {"run before the start does not count", bytes({0xB0, 0xB1, 0xB2, 'Z', 0xB3, 'A', 'A'}), "A", 2},
        {"start inside a run of lead bytes", bytes({0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 'A', 'A'}), "A", 3},
        {"double-byte sought straddling characters throughout",
         bytes({0xD6, 0xD0, 0xD6, 0xD0, 0xD6, 0xD0, 0xD0, 0xD6}), bytes({0xD0, 0xD6}), 1},
        {"every candidate rejected", bytes({0xD6, 0xD0, 0xD6, 0xD0, 0xD6, 0xD0}), bytes({0xD0, 0xD6}), 1},
        {"0x80 and 0xFF count as lead bytes", bytes({0x80, 'A', 0xFF, 'A', 'A'}), "A", 1},
        {"lone lead byte at the end", bytes({'a', 0xB0, 0xB1, 0xD6}), bytes({0xD6}), 1},
        {"candidate at the start position itself", bytes({0xB0, 0xB1, 0xB2}), bytes({0xB1, 0xB2}), 2},
    };
    for (const BoundaryCase& c : cases) {
        EXPECT_EQ(text::find(c.text, c.sought, c.start), findByWalk(c.text, c.sought, c.start)) << c.why;
    }
}

TEST(GbkText, FindAgreesWithTheWalkOnEveryStart) {
    // Texts from a small alphabet where ASCII letters, lead bytes and bytes that
    // are both a trail and a lead mix densely, so every kind of run occurs; every
    // start position and a set of one- and two-byte sought texts are compared.
    const std::string alphabet = bytes({'A', 'b', 0x81, 0xB0, 0xD6, 0xFE});
    const std::vector<std::string> sought = {"A",
                                             "b",
                                             bytes({0x81}),
                                             bytes({0xD6}),
                                             "Ab",
                                             bytes({0xB0, 'A'}),
                                             bytes({0xD6, 0xD6}),
                                             bytes({0xFE, 0x81}),
                                             bytes({'b', 0xB0, 'A'})};
    std::uint32_t state = 7;
    for (int round = 0; round < 400; ++round) {
        std::string t;
        const int length = 1 + round % 40;
        for (int i = 0; i < length; ++i) {
            state = state * 1664525u + 1013904223u;
            t.push_back(alphabet[(state >> 16) % alphabet.size()]);
        }
        for (int start = 0; start <= length + 1; ++start) {
            for (const std::string& s : sought) {
                ASSERT_EQ(text::find(t, s, start), findByWalk(t, s, start))
                    << "text " << text::byteHexForm(t) << " sought " << text::byteHexForm(s) << " start "
                    << start;
            }
        }
    }
}

TEST(GbkText, Cuts) {
    EXPECT_EQ(text::mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(text::mid("abcdef", 5, 100), "ef");
    EXPECT_EQ(text::mid("abcdef", 0, 3), "");
    EXPECT_EQ(text::mid("abcdef", 7, 1), "");
    EXPECT_EQ(text::mid("abcdef", 2, 0), "");
    EXPECT_EQ(text::mid("abcdef", 2, -1), "");
    EXPECT_EQ(text::left("abcdef", 2), "ab");
    EXPECT_EQ(text::left("abcdef", 10), "abcdef");
    EXPECT_EQ(text::left("abcdef", -1), "");
    EXPECT_EQ(text::right("abcdef", 2), "ef");
    EXPECT_EQ(text::right("abcdef", 10), "abcdef");
    EXPECT_EQ(text::right("abcdef", 0), "");
}

TEST(GbkText, RemoveAndReplace) {
    EXPECT_EQ(text::removeAll("a\r\nb\r\nc", "\r\n"), "abc");
    EXPECT_EQ(text::removeAll("aaaa", "aa"), "");
    EXPECT_EQ(text::removeAll("aaa", "aa"), "a");
    EXPECT_EQ(text::removeAll("abc", ""), "abc");
    EXPECT_EQ(text::removeAll("ABC", "b"), "ABC");
    EXPECT_EQ(text::replaceAll("a-b-c", "-", "+="), "a+=b+=c");
    // A byte pair that straddles two characters is not an occurrence.
    const std::string zhongwen = text::gbk("中文");
    EXPECT_EQ(text::removeAll(zhongwen, bytes({0xD0, 0xCE})), zhongwen);
}

TEST(GbkText, Trim) {
    const std::string fullSpace = bytes({0xA1, 0xA1});
    EXPECT_EQ(text::trim("  abc  "), "abc");
    EXPECT_EQ(text::trim(fullSpace + " abc" + fullSpace + fullSpace), "abc");
    EXPECT_EQ(text::trim("\tabc\r\n"), "\tabc\r\n");
    EXPECT_EQ(text::trim("   "), "");
    EXPECT_EQ(text::trim(""), "");
    // B0 A1 is a character; its trail A1 with a following A1 is not a full-width space.
    const std::string tricky = bytes({0xB0, 0xA1, 0xA1});
    EXPECT_EQ(text::trim(tricky), tricky);
    EXPECT_EQ(text::trim(text::gbk("中 文 ")), text::gbk("中 文"));
}

TEST(GbkText, Compare) {
    EXPECT_EQ(text::compare("abc", "abc"), 0);
    EXPECT_LT(text::compare("abc", "abd"), 0);
    EXPECT_GT(text::compare("abc", "ab"), 0);
    EXPECT_LT(text::compare("ABC", "abc"), 0);
    // Bytes compare unsigned: a double-byte lead sorts after ASCII.
    EXPECT_GT(text::compare(text::gbk("中"), "z"), 0);
}

TEST(GbkText, Numbers) {
    struct Case {
        const char* in;
        std::int64_t value;
    };
    const Case cases[] = {{"123", 123}, {"  -45abc", -45}, {"+7", 7},    {"abc", 0}, {"", 0},
                          {"- 5", 0},   {"\t\n12", 12},    {"0012", 12}, {"3.9", 3}, {"1 2", 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(text::toInt(c.in), c.value) << c.in;
        EXPECT_EQ(text::toInt64(c.in), c.value) << c.in;
    }
    EXPECT_EQ(text::toInt("99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(text::toInt("-99999999999"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(text::toInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(text::toInt64("1406246400999"), 1406246400999LL);
    EXPECT_EQ(text::toInt64("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(text::toInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());

    EXPECT_EQ(text::fromInt(0), "0");
    EXPECT_EQ(text::fromInt(-42), "-42");
    EXPECT_EQ(text::fromInt(1406246400999LL), "1406246400999");
    EXPECT_EQ(text::fromDouble(1.5), "1.5");
    EXPECT_EQ(text::fromDouble(0.1 + 0.2), "0.3");
    EXPECT_EQ(text::fromDouble(100.0), "100");
    EXPECT_EQ(text::fromDouble(1234567890123456.0), "1.234567890123e+15");

    EXPECT_EQ(text::truncateToInt64(2.9), 2);
    EXPECT_EQ(text::truncateToInt64(-2.9), -2);
    EXPECT_EQ(text::truncateToInt64(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(text::truncateToInt64(1e30), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(text::truncateToInt64(-1e30), std::numeric_limits<std::int64_t>::min());
}

struct BetweenCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    int start;
    std::string expected;
};

TEST(GbkText, TextBetween) {
    // Missing 12-byte left marker: the cut starts at byte 11 and runs to the
    // first right marker at or after it, here at byte 40.
    std::string missingLeft(39, 'x');
    for (int i = 0; i < 39; ++i) missingLeft[static_cast<std::size_t>(i)] = static_cast<char>('a' + i % 26);
    missingLeft += "]]";
    missingLeft[2] = ']';  // a right marker before byte 11 does not count
    missingLeft[3] = ']';
    const std::string expectedMissing = missingLeft.substr(10, 29);

    const BetweenCase cases[] = {
        {"title", "<title>abc</title>", "<title>", "</title>", 1, "abc"},
        {"right absent", "<title>abc</title>", "<title>", "</b>", 1, ""},
        {"right right after left", "<a></a>", "<a>", "</a>", 1, ""},
        {"first markers", "[1][2]", "[", "]", 1, "1"},
        {"start skips first", "[1][2]", "[", "]", 3, "2"},
        {"start zero", "[1][2]", "[", "]", 0, "1"},
        {"start negative", "[1][2]", "[", "]", -3, "1"},
        {"missing 12-byte left", missingLeft, "NOT-PRESENT!", "]]", 1, expectedMissing},
        {"missing 1-byte left", "abc]", "#", "]", 1, ""},
        {"missing 2-byte left", "abc]", "##", "]", 1, "abc"},
        {"missing 3-byte left", "abc]", "###", "]", 1, "bc"},
        {"missing left, no right", "abcdef", "####", "]", 1, ""},
        {"chinese markers", text::gbk("价格：12元"), text::gbk("价格："), text::gbk("元"), 1, "12"},
        {"right marker only at boundaries", text::gbk("<中文>") + bytes({0xD0, 0xCE}) + "<", "<",
         bytes({0xD0, 0xCE}), 1, text::gbk("中文>")},
    };
    for (const BetweenCase& c : cases) {
        EXPECT_EQ(text::textBetween(c.text, c.left, c.right, c.start), c.expected) << c.name;
    }
}

TEST(GbkText, PercentDecode) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"%e5%AE%9D", bytes({0xE5, 0xAE, 0x9D})},
        {"a%", "a"},
        {"%4", bytes({0x40})},
        {"a+b", "a+b"},
        {"%00x", "x"},
        {"100%", "100"},
        {"%zz", bytes({(-2 * 16 - 2 + 256) % 256})},
        {"%4g", bytes({4 * 16 - 2})},
        {"plain", "plain"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(text::percentDecode(c.in), c.out) << c.in;
}

TEST(GbkText, Encodings) {
    EXPECT_EQ(text::utf8ToGbk("宝贝"), bytes({0xB1, 0xA6, 0xB1, 0xB4}));
    EXPECT_EQ(text::utf8ToGbk("abc"), "abc");
    EXPECT_EQ(text::utf8ToGbk(""), "");
    EXPECT_EQ(text::utf8ToGbk("€"), bytes({0x80}));
    // U+1F600 has no GBK form: the text ends just before it.
    EXPECT_EQ(text::utf8ToGbk("ab宝\xF0\x9F\x98\x80xyz"), "ab" + bytes({0xB1, 0xA6}));
    // Invalid UTF-8 becomes U+FFFD, which has no GBK form either.
    EXPECT_EQ(text::utf8ToGbk("ok\xFFrest"), "ok");

    EXPECT_EQ(text::gbkToUtf8(bytes({0xB1, 0xA6, 0xB1, 0xB4})), "宝贝");
    EXPECT_EQ(text::gbkToUtf16(text::gbk("中A")), u"中A");
    EXPECT_EQ(text::utf16ToGbk(u"中A"), text::gbk("中A"));
    // A lead byte without a valid trail becomes U+FFFD; the ASCII after it survives.
    EXPECT_EQ(text::gbkToUtf8(bytes({'a', 0x81, '0'})), std::string("a\xEF\xBF\xBD") + "0");
    EXPECT_EQ(text::gbkToUtf8(bytes({'a', 0xD6})), "a\xEF\xBF\xBD");

    // Round trip over every double-byte code that decodes to one character.
    int roundTrips = 0;
    for (int lead = 0x81; lead <= 0xFE; lead += 7) {
        for (int trail = 0x40; trail <= 0xFE; trail += 5) {
            if (trail == 0x7F) continue;
            const std::string code = bytes({lead, trail});
            const std::string utf8 = text::gbkToUtf8(code);
            if (utf8 == "\xEF\xBF\xBD") continue;
            EXPECT_EQ(text::utf8ToGbk(utf8), code) << lead << " " << trail;
            ++roundTrips;
        }
    }
    EXPECT_GT(roundTrips, 500);
}

TEST(GbkText, ConversionsOnManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (std::size_t t = 0; t < ok.size(); ++t) {
        threads.emplace_back([&ok, t] {
            for (int i = 0; i < 200; ++i) {
                ok[t] += text::gbkToUtf8(text::utf8ToGbk("宝贝" + std::to_string(i))) ==
                         "宝贝" + std::to_string(i);
            }
            ok[t] += text::toSimplified(text::gbk("寶")) == text::gbk("宝");
        });
    }
    for (auto& th : threads) th.join();
    for (int n : ok) EXPECT_EQ(n, 201);
}

TEST(GbkText, ToSimplified) {
    const std::string traditional = text::gbk("寶國臺灣");
    const std::string simplified = text::toSimplified(traditional);
    EXPECT_EQ(simplified, text::gbk("宝国台湾"));
    EXPECT_EQ(simplified.size(), traditional.size());

    const std::string mixed = "ID:" + text::gbk("這個價格") + " 12";
    const std::string out = text::toSimplified(mixed);
    EXPECT_EQ(out, "ID:" + text::gbk("这个价格") + " 12");
    EXPECT_EQ(text::toSimplified(text::gbk("简体不变")), text::gbk("简体不变"));
    EXPECT_EQ(text::toSimplified("ascii only"), "ascii only");
    // A lone lead byte at the end stays.
    EXPECT_EQ(text::toSimplified(bytes({'a', 0x8C})), bytes({'a', 0x8C}));
    // Every two-byte code keeps two bytes.
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) all += bytes({lead, trail});
    }
    EXPECT_EQ(text::toSimplified(all).size(), all.size());
}

TEST(GbkText, ByteHexFormAndNul) {
    EXPECT_EQ(text::byteHexForm("A" + text::gbk("中")), "%41%D6%D0");
    EXPECT_EQ(text::byteHexForm("\n"), "%A");
    EXPECT_EQ(text::byteHexForm(bytes({0})), "%0");
    EXPECT_EQ(text::byteHexForm(""), "");
    EXPECT_EQ(text::cutAtNul(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(text::cutAtNul("abc"), "abc");
}

}  // namespace

#include "config/command_line.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace config = shelfwatch::config;
namespace text = shelfwatch::text;

namespace {

using Args = std::vector<std::string>;

struct Case {
    const char* name;
    std::string line;
    Args expected;
};

TEST(CommandLine, Split) {
    // 中 is D6 D0. A lead byte always takes the byte after it, even a quote or a
    // blank, so a double-byte character is never split.
    const std::string zhong = text::gbk("中");
    const std::string leadQuote = std::string("\x81\"", 2);
    const Case cases[] = {
        {"no arguments", "shelfwatch.exe", {}},
        {"empty line", "", {}},
        {"one argument", "shelfwatch.exe task", {"task"}},
        {"quoted program path", "\"C:\\Program Files\\sw.exe\" task", {"task"}},
        {"quoted path with space inside only", "\"C:\\a b\\sw.exe\"", {}},
        {"quoted argument loses quotes", "sw.exe \"task\"", {"task"}},
        {"quoted argument keeps blanks", "sw.exe \"a b\" c", {"a b", "c"}},
        {"unclosed quote runs to end", "sw.exe \"a b", {"a b"}},
        {"empty quoted argument", "sw.exe \"\" x", {"", "x"}},
        {"two arguments", "sw.exe task other", {"task", "other"}},
        {"several blanks", "sw.exe   a  \t b", {"a", "b"}},
        {"control bytes separate",
         "sw.exe a\x01"
         "b\x1f"
         "c",
         {"a", "b", "c"}},
        {"quote ends an unquoted argument", "sw.exe ab\"cd\"ef", {"ab", "cd", "ef"}},
        {"unquoted program path ends at space", "sw.exe\tx y", {"y"}},
        {"quoted path then no space", "\"sw.exe\"task", {"task"}},
        {"chinese argument", "sw.exe " + zhong + "x", {zhong + "x"}},
        {"chinese in quotes", "sw.exe \"" + zhong + " " + zhong + "\"", {zhong + " " + zhong}},
        {"trail byte that is a quote", "sw.exe a" + leadQuote + "b", {"a" + leadQuote + "b"}},
        {"trail byte quote inside quotes", "sw.exe \"" + leadQuote + "\"", {leadQuote}},
        {"lead byte at the very end", "sw.exe a\x81", {"a\x81"}},
        {"chinese program path", "\"C:\\" + zhong + "\\sw.exe\" task", {"task"}},
        {"upper-case task is just an argument", "sw.exe TASK", {"TASK"}},
    };
    for (const Case& c : cases) EXPECT_EQ(config::splitCommandLine(c.line), c.expected) << c.name;
}

}  // namespace

// The task file as the editor saves and loads it, and the pure parts of the
// unattended run: run stamps, report subjects and category labels.
#include "task/task_config.h"

#include "config/ini_file.h"
#include "item/listing_time.h"
#include "task/task_run.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace shelfwatch;
using text::gbk;

class TaskFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("task-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        m_file = task::taskFilePath(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string readRaw() const {
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
    fs::path m_file;
};

task::TaskRow row(const char* captionUtf8, int column, const std::string& value, const std::string& pages) {
    task::TaskRow r;
    r.caption = gbk(captionUtf8);
    if (column > 0) r.cell(column) = value;
    r.pages = pages;
    return r;
}

TEST_F(TaskFileTest, MissingFileLoadsAsNoRowsAndFirstSaveCreatesIt) {
    EXPECT_TRUE(task::loadTaskRows(m_file).empty());
    ASSERT_TRUE(task::saveTaskRows(m_file, {row("单个关键词", task::kKeywordColumn, gbk("连衣裙"), "3")}));
    EXPECT_EQ(task::loadTaskRows(m_file).size(), 1u);
}

// The grid after deleting the middle row of three, plus a row that never got a
// kind, saved and loaded again: sections renumbered 1..n, keys in their order,
// the kind-less row kept only as `ys` and gone on the next load.
TEST_F(TaskFileTest, SaveRenumbersRowsAndDropsKindlessRowOnLoad) {
    std::vector<task::TaskRow> grid = {
        row("单个关键词", task::kKeywordColumn, gbk("连衣裙"), "3"),
        row("单个店铺", task::kStoreColumn, gbk("某某旗舰店"), "1"),
        row("单个分类", task::kCategoryColumn, gbk("女装 || 16"), "2"),
        row("", 0, "", "5"),
    };
    // A keyword left in a row that became a store row is not saved.
    grid[1].keyword = "stale";
    ASSERT_TRUE(task::saveTaskRows(m_file, grid));
    grid.erase(grid.begin() + 1);
    ASSERT_TRUE(task::saveTaskRows(m_file, grid));

    EXPECT_EQ(config::iniSectionNames(m_file), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(readRaw(), "[1]\r\noption=keyword\r\nword=" + gbk("连衣裙") + "\r\nys=3\r\n" +
                             "[2]\r\noption=cat\r\ncat=" + gbk("女装 || 16") + "\r\nys=2\r\n" +
                             "[3]\r\nys=5\r\n")
        << readRaw();
    const std::vector<task::TaskRow> loaded = task::loadTaskRows(m_file);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0], grid[0]);
    EXPECT_EQ(loaded[1], grid[1]);
}

TEST_F(TaskFileTest, LoadTakesFileOrderAndKindKeysOnly) {
    std::ofstream(m_file, std::ios::binary)
        << "[b]\r\noption=store\r\nname=shop\r\nword=ignored\r\n"  // ys missing: "1"
        << "[a]\r\noption=keyword\r\nys=abc\r\n"                   // word missing: empty
        << "[z]\r\noption=other\r\nword=x\r\nys=2\r\n"             // unknown kind: no row
        << "[y]\r\nword=x\r\n";                                    // no kind: no row
    const std::vector<task::TaskRow> loaded = task::loadTaskRows(m_file);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0], row("单个店铺", task::kStoreColumn, "shop", "1"));
    EXPECT_EQ(loaded[1], row("单个关键词", task::kKeywordColumn, "", "abc"));
    ASSERT_TRUE(task::saveTaskRows(m_file, loaded));
    EXPECT_EQ(config::iniSectionNames(m_file), (std::vector<std::string>{"1", "2"}));
}

TEST(TaskGridRules, ValueColumnOfEachCaption) {
    EXPECT_EQ(task::valueColumnForCaption(gbk("单个关键词")), task::kKeywordColumn);
    EXPECT_EQ(task::valueColumnForCaption(gbk("单个店铺")), task::kStoreColumn);
    EXPECT_EQ(task::valueColumnForCaption(gbk("单个分类")), task::kCategoryColumn);
    EXPECT_EQ(task::valueColumnForCaption(""), -1);
    EXPECT_EQ(task::valueColumnForCaption("keyword"), -1);
    EXPECT_EQ(task::usageText().substr(0, 10), gbk("您可将本功"));
    EXPECT_NE(task::usageText().find(gbk("\r\n使用说明：\r\n")), std::string::npos);
    EXPECT_TRUE(task::usageText().ends_with(gbk("如“c:\\pro.exe task”")));
}

TEST(TaskRunNames, RunStampForms) {
    struct Case {
        const char* why;
        item::DateTime at;
        const char* stamp;
    };
    const Case cases[] = {
        {"all fields", item::fromCivil(2014, 7, 25, 15, 30, 20), "2014年7月25日15时30分20秒"},
        {"whole minute", item::fromCivil(2014, 7, 25, 15, 30, 0), "2014年7月25日15时30分"},
        {"whole hour keeps the hour only", item::fromCivil(2014, 7, 25, 9, 0, 0), "2014年7月25日9时"},
        {"midnight is the date alone", item::fromCivil(2014, 7, 25, 0, 0, 0), "2014年7月25日"},
    };
    for (const Case& c : cases) EXPECT_EQ(task::runStamp(c.at), gbk(c.stamp)) << c.why;
}

TEST(TaskRunNames, SubjectCleanedForFileNames) {
    struct Case {
        const char* why;
        std::string subject;
        std::string cleaned;
    };
    const Case cases[] = {
        {"plain text unchanged", gbk("连衣裙 夏"), gbk("连衣裙 夏")},
        {"separators removed", "a/../../x", "a....x"},
        {"every listed character removed", "?/\\*:#<>|\"ok", "ok"},
        {"empty becomes _", "", "_"},
        {"dot becomes _", ".", "_"},
        {"dot-dot becomes _", "..", "_"},
        {"only removed characters becomes _", "//", "_"},
        {"a trail byte that looks like a backslash stays in its character",
         "\x95\x5c"
         "a",
         "\x95\x5c"
         "a"},
        {"a trail byte that looks like a bar stays in its character", "\x81\x7c", "\x81\x7c"},
    };
    for (const Case& c : cases) EXPECT_EQ(task::cleanSubject(c.subject), c.cleaned) << c.why;
}

TEST(TaskRunNames, CategoryLabelSplit) {
    struct Case {
        const char* why;
        std::string label;
        std::string id;
        std::string subject;
    };
    const Case cases[] = {
        {"editor form keeps the space before the bars", gbk("所有分类 || 0"), "0", gbk("所有分类 ")},
        {"no bars: whole label trimmed is the id", gbk("　16 "), "16", gbk("　16 ")},
        {"empty label", "", "0", "0"},
        {"full-width spaces trimmed from the id", gbk("女装||　50008165　"), "50008165", gbk("女装")},
        {"more parts: the second is the id", "a || 1 || 2", "1", "a "},
        {"unconfirmed pick", " || -1", "-1", " "},
    };
    for (const Case& c : cases) {
        const task::CategoryLabel label = task::splitCategoryLabel(c.label);
        EXPECT_EQ(label.id, c.id) << c.why;
        EXPECT_EQ(label.subject, c.subject) << c.why;
    }
}

TEST(TaskRunNames, CategoryListAddress) {
    EXPECT_EQ(task::categoryListAddress("list.example:81", "16", "a1z", 3),
              "http://list.example:81/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=16"
              "&fromPage=adSearch&ratesumfrom=0&viewIndex=1&fromPage=adSearch&&viewIndex=1&spm=a1z&pSize=44"
              "&data-key=s&data-value=88&module=page&style=list");
}

}  // namespace

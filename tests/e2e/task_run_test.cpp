// The unattended run against the simulator over real HTTP: the stamped folder,
// the report names and workbook contents, the category list requests, run.log,
// and the inputs that must not break a run nobody watches.
#include "task/task_run.h"

#include "app/app.h"
#include "config/ini_file.h"
#include "item/listing_time.h"
#include "panel/headless_panel.h"
#include "report/workbook_reader.h"
#include "task/task_config.h"
#include "text/gbk_text.h"

#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;
using text::gbk;

class TaskRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(market.start());
        // The list service answers every category page with a marker the test
        // hook counts; reading real answers is the list-service reader's job.
        market.server.route("/itemlist/default.htm", [](const sim::Request&) {
            sim::Response response;
            response.contentType = "application/json";
            response.body = "{\"itemList\":[]}";
            return response;
        });
        taskFile = task::taskFilePath(market.dataDir);
        reportsRoot = market.dataDir / "reports";
    }

    void set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(config::iniWrite(taskFile, section, key, value));
    }

    task::TaskRunResult run(item::DateTime now = item::fromCivil(2014, 7, 31, 8, 0, 0)) {
        app::App program(testing::appOptionsFor(market, now));
        app::PanelBinding binding(program, panel);
        task::TaskRunOptions options = task::defaultRunOptions(market.dataDir);
        options.queries.appendListItems = [this](search::WalkContext&, std::uint64_t,
                                                 const std::string& answer) {
            listAnswers.push_back(answer);
            return 0;
        };
        task::TaskRunResult result = task::runTasks(binding.context(), options);
        tableRows.clear();
        for (int r = 0; r < program.table().rowCount(); ++r) tableRows.push_back(program.table().cell(r, 1));
        return result;
    }

    std::vector<std::string> listRequests() const {
        std::vector<std::string> targets;
        for (const sim::LoggedRequest& request : market.server.requests()) {
            if (request.target.rfind("/itemlist/", 0) == 0) targets.push_back(request.target);
        }
        return targets;
    }

    static std::vector<std::string> sorted(std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    }

    static fs::path gbkPath(const std::string& gbkText) { return task::pathFromGbk(gbkText); }

    std::vector<std::string> filesIn(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::u8string u8 = entry.path().filename().u8string();
            names.push_back(text::utf8ToGbk(std::string(u8.begin(), u8.end())));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::SimulatedMarket market;
    panel::HeadlessPanel panel;
    fs::path taskFile;
    fs::path reportsRoot;
    std::vector<std::string> listAnswers;
    std::vector<std::string> tableRows;  // column 1 after the run
};

// Sections of every kind in one run: one stamped folder, one report per task
// that has a kind, named by title and subject, holding that task's rows only.
TEST_F(TaskRunTest, EachKindWritesItsReportIntoOneStampedFolder) {
    set("c", "option", "cat");  // no `cat`: the default label, id 0
    set("c", "ys", "3");
    set("u", "option", "unknown");
    set("n", "ys", "2");  // no option at all
    set("k", "option", "keyword");
    set("k", "word", gbk("连衣裙"));
    set("k", "ys", "1");

    const task::TaskRunResult result = run(item::fromCivil(2014, 7, 31, 8, 5, 0));
    const fs::path folder = reportsRoot / gbkPath(gbk("2014年7月31日8时5分"));
    ASSERT_EQ(result.folder, folder);
    EXPECT_EQ(filesIn(folder),
              sorted({"run.log", gbk("抓取关键词 连衣裙.txt"), gbk("抓取分类 所有分类 .txt")}));

    // Category pages of 44 from offset 0, in order, for category 0.
    const std::vector<std::string> requests = listRequests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string spm = sim::homeSpmValue(market.server.seed());
    for (int p = 0; p < 3; ++p) {
        const std::string address = task::categoryListAddress(market.market.listHost, "0", spm, p + 1);
        EXPECT_EQ(requests[p], address.substr(address.find("/itemlist/")));
        EXPECT_NE(requests[p].find("&data-value=" + std::to_string(p * 44) + "&"), std::string::npos);
    }
    EXPECT_EQ(listAnswers.size(), 3u);

    // The keyword report is the workbook of the keyword's rows (the last task's,
    // still in the table), under its header row.
    ASSERT_FALSE(tableRows.empty());
    const report::WorkbookContent keyword =
        report::readWorkbook(folder / gbkPath(gbk("抓取关键词 连衣裙.txt")));
    ASSERT_TRUE(keyword.ok) << keyword.error;
    ASSERT_EQ(keyword.rows.size(), tableRows.size() + 1);
    for (std::size_t r = 0; r < tableRows.size(); ++r) EXPECT_EQ(keyword.rows[r + 1].title, tableRows[r]);
    // The category report was written over an emptied table: no item rows.
    const report::WorkbookContent category =
        report::readWorkbook(folder / gbkPath(gbk("抓取分类 所有分类 .txt")));
    ASSERT_TRUE(category.ok) << category.error;
    EXPECT_EQ(category.rows.size(), 1u);

    ASSERT_EQ(result.tasks.size(), 4u);
    EXPECT_EQ(result.tasks[3].rows, static_cast<int>(tableRows.size()));
    const std::string log = testing::readFile(folder / "run.log");
    EXPECT_NE(log.find("[c] cat \"所有分类 \": 0 rows -> 抓取分类 所有分类 .txt"), std::string::npos) << log;
    EXPECT_NE(log.find("[u] unknown: skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("[n] (no kind): skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("[k] keyword \"连衣裙\": " + std::to_string(tableRows.size()) +
                       " rows -> 抓取关键词 连衣裙.txt"),
              std::string::npos)
        << log;
}

// Labels and page counts the editor does not check: each still runs and reports.
TEST_F(TaskRunTest, CategoryLabelsAndPageCounts) {
    struct Case {
        const char* why;
        std::string label;
        std::string ys;
        std::string id;  // requested category; unused when no page is asked for
        int pages;
        std::string report;
    };
    const Case cases[] = {
        {"label without bars", "50008165", "1", "50008165", 1, gbk("抓取分类 50008165.txt")},
        {"empty label", "", "2", "0", 2, gbk("抓取分类 0.txt")},
        {"ys 0 asks for no page", gbk("女装 || 16"), "0", "", 0, gbk("抓取分类 女装 .txt")},
        {"non-numeric ys asks for no page", gbk("女装 || 16"), "abc", "", 0, gbk("抓取分类 女装 .txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove(taskFile);
        fs::remove_all(reportsRoot);
        market.server.clearRequests();
        set("1", "option", "cat");
        set("1", "cat", c.label);
        set("1", "ys", c.ys);
        const task::TaskRunResult result = run();
        const std::vector<std::string> requests = listRequests();
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(c.pages));
        for (const std::string& target : requests)
            EXPECT_NE(target.find("&cat=" + c.id + "&"), std::string::npos);
        EXPECT_TRUE(fs::exists(result.folder / gbkPath(c.report)));
    }
}

TEST_F(TaskRunTest, MissingTaskFileOnlyMakesTheReportsRoot) {
    const task::TaskRunResult result = run();
    EXPECT_TRUE(result.folder.empty());
    EXPECT_TRUE(fs::is_directory(reportsRoot));
    EXPECT_TRUE(fs::is_empty(reportsRoot));
    EXPECT_FALSE(panel.windowVisible());
}

// A subject made of path parts stays a file inside the run's folder, and a
// report that cannot be written is logged while the next one still is.
TEST_F(TaskRunTest, SubjectsStayInsideTheFolderAndFailuresAreLogged) {
    set("1", "option", "keyword");
    set("1", "word", "a/../../x");
    set("1", "ys", "0");
    set("2", "option", "keyword");
    set("2", "word", "blocked");
    set("2", "ys", "0");
    set("3", "option", "keyword");
    set("3", "word", "..");
    set("3", "ys", "0");
    const fs::path folder = reportsRoot / gbkPath(gbk("2014年7月31日"));
    // A folder where the second report would go: the workbook cannot replace it.
    fs::create_directories(folder / gbkPath(gbk("抓取关键词 blocked.txt")) / "inside");

    const task::TaskRunResult result = run(item::fromCivil(2014, 7, 31, 0, 0, 0));
    ASSERT_EQ(result.folder, folder);
    EXPECT_EQ(filesIn(folder), sorted({"run.log", gbk("抓取关键词 _.txt"), gbk("抓取关键词 a....x.txt"),
                                       gbk("抓取关键词 blocked.txt")}));
    EXPECT_TRUE(fs::is_directory(folder / gbkPath(gbk("抓取关键词 blocked.txt"))));
    EXPECT_EQ(filesIn(reportsRoot).size(), 1u);
    ASSERT_EQ(result.tasks.size(), 3u);
    EXPECT_FALSE(result.tasks[1].error.empty());
    EXPECT_TRUE(result.tasks[1].report.empty());
    const std::string log = testing::readFile(folder / "run.log");
    EXPECT_NE(log.find("[2] keyword \"blocked\": 0 rows; FAILED: "), std::string::npos) << log;
    EXPECT_NE(log.find("[3] keyword \"..\": 0 rows -> 抓取关键词 _.txt"), std::string::npos) << log;
}

// The refusal of a keyword the walk cannot read goes to run.log (and standard
// error) instead of a dialog, and the run still writes the report.
TEST_F(TaskRunTest, MessagesOfAQueryGoToTheLog) {
    set("1", "option", "keyword");
    set("1", "word", sim::kDetailSrpKeyword);
    set("1", "ys", "2");
    const task::TaskRunResult result = run();
    EXPECT_TRUE(panel.messages().empty());
    const std::string log = testing::readFile(result.folder / "run.log");
    EXPECT_NE(log.find("1 message: 暂不支持DetailSrp模式关键词  请使用本软件的列表页查询模式"),
              std::string::npos)
        << log;
    EXPECT_TRUE(fs::exists(result.folder / gbkPath(gbk("抓取关键词 detailsrp.txt"))));
}

// Without the store query in this build a store task is logged as failed.
TEST_F(TaskRunTest, StoreTaskWithoutStoreQueryIsLogged) {
    set("1", "option", "store");
    set("1", "name", gbk("某店"));
    const task::TaskRunResult result = run();
    ASSERT_EQ(result.tasks.size(), 1u);
    EXPECT_FALSE(result.tasks[0].error.empty());
    EXPECT_NE(testing::readFile(result.folder / "run.log").find("store \"某店\": 0 rows; FAILED"),
              std::string::npos);
}

// The command-line program: `task` runs the file and exits 0; --now names the folder.
TEST_F(TaskRunTest, CliTaskRunsTheFile) {
    set("1", "option", "keyword");
    set("1", "word", gbk("连衣裙"));
    set("1", "ys", "0");
    const testing::CliRun cli = market.cli({"task"});
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    const fs::path folder = reportsRoot / gbkPath(gbk("2014年7月31日8时"));
    EXPECT_TRUE(fs::exists(folder / gbkPath(gbk("抓取关键词 连衣裙.txt")))) << cli.out << cli.err;
    EXPECT_TRUE(fs::exists(folder / "run.log"));
    EXPECT_NE(cli.out.find("抓取关键词 连衣裙.txt: 0 rows"), std::string::npos) << cli.out;

    fs::remove(taskFile);
    const testing::CliRun empty = market.cli({"task"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_NE(empty.out.find("no tasks"), std::string::npos) << empty.out;
}

}  // namespace
}  // namespace shelfwatch

// The search and listpage commands as a user runs them: the real binary against
// the simulator, its CSV and JSON output, its exit codes, and Ctrl-C.
#include "config/market_config.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "search_pages.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace shelfwatch {
namespace {

using testing::CliRun;
using text::gbk;

class SearchCliE2e : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find("\r\n", start);
            out.push_back(text.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 2;
        }
        return out;
    }

    std::size_t resultCount(const std::string& keywordGbk) const {
        sim::SearchPageRequest request;
        request.keyword = keywordGbk;
        return sim::searchResults(sim::catalogueFor(server.seed()), request).size();
    }
};

std::string header() {
    std::string out;
    for (const std::string& title : table::columnTitles())
        out += (out.empty() ? "" : ",") + text::gbkToUtf8(title);
    return out;
}

TEST_F(SearchCliE2e, SearchPrintsTypedJsonRows) {
    const CliRun run = cli({"search", "连衣裙", "--pages", "1", "--json", "--workers", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json rows = nlohmann::json::parse(run.out);
    ASSERT_TRUE(rows.is_array());
    ASSERT_EQ(rows.size(), std::min<std::size_t>(44, resultCount(gbk("连衣裙"))));
    std::size_t withTimes = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const nlohmann::json& row = rows[i];
        ASSERT_EQ(row.size(), 15u);
        for (std::string_view name : table::fieldNames()) EXPECT_TRUE(row.contains(std::string(name)));
        EXPECT_EQ(row["seq"], i);
        EXPECT_NE(row["title"].get<std::string>().find("连衣裙"), std::string::npos);
        EXPECT_FALSE(row["seller"].get<std::string>().empty());
        EXPECT_TRUE(row["minutesLeft"].is_number_integer());
        EXPECT_TRUE(row["sales"].is_number_integer());
        EXPECT_TRUE(row["stock"].is_number_integer());
        EXPECT_TRUE(row["isMall"].is_boolean());
        EXPECT_TRUE(row["message"].is_null());
        // Each date-time as the table shows it and as ISO 8601 China time, or
        // both null when the page gave none (removed items, guide pages).
        ASSERT_EQ(row["endTime"].is_null(), row["endIso"].is_null());
        if (row["endIso"].is_null()) continue;
        ++withTimes;
        const std::string iso = row["endIso"].get<std::string>();
        EXPECT_EQ(iso.size(), 25u) << iso;
        EXPECT_EQ(iso.substr(iso.size() - 6), "+08:00");
    }
    EXPECT_GT(withTimes, rows.size() / 2);
    // Progress went to standard error as plain lines, the end text last.
    const std::string err = run.err;
    EXPECT_NE(err.find("进度： 1 / "), std::string::npos);
    EXPECT_NE(err.find("完成操作。"), std::string::npos);
}

TEST_F(SearchCliE2e, CompactProgressAndQuiet) {
    // Plain lines for a log: at most one per tenth of the 44 details, not one per item.
    const CliRun run = cli({"search", "连衣裙", "--pages", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::size_t progressLines = 0;
    for (std::size_t at = run.err.find("进度： "); at != std::string::npos;
         at = run.err.find("进度： ", at + 1)) {
        ++progressLines;
    }
    EXPECT_GE(progressLines, 2u);
    EXPECT_LE(progressLines, 11u);

    const CliRun quiet = cli({"search", "连衣裙", "--pages", "1", "--quiet"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, run.out);
}

TEST_F(SearchCliE2e, SearchWritesCsvWithTheColumnTitles) {
    const std::filesystem::path out = dataDir / "rows.csv";
    const CliRun run =
        cli({"search", "茶叶", "--sort", "销量", "--direction", "从高到低", "--out", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string content = testing::readFile(out);
    const std::vector<std::string> rows = lines(content);
    ASSERT_GE(rows.size(), 2u);
    // UTF-8 with a byte-order mark, for Excel on a Chinese Windows.
    EXPECT_EQ(rows.front(), "\xEF\xBB\xBF" + header());
    EXPECT_EQ(rows.size(), 1 + std::min<std::size_t>(44, resultCount(gbk("茶叶"))));
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    // The request carried the chosen sort key.
    bool sawSort = false;
    for (const sim::LoggedRequest& r : server.requests())
        sawSort |= r.target.find("&sort=sale-desc&") != std::string::npos;
    EXPECT_TRUE(sawSort);
}

TEST_F(SearchCliE2e, ListPageKeepsDuplicatesAndDetailSrpRefusalFails) {
    const std::string address =
        "http://" + market.searchHost + "/list/x.htm?q=%C1%AC%D2%C2%C8%B9";  // 连衣裙 in GBK
    const CliRun run = cli({"listpage", address, "--pages", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> rows = lines(run.out);
    EXPECT_EQ(rows.size(), 1 + resultCount(gbk("连衣裙")) + 1);  // header, rows, the repeat

    const CliRun refused = cli({"search", sim::kDetailSrpKeyword, "--pages", "2", "--json"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(nlohmann::json::parse(refused.out).size(), 44u);
    EXPECT_NE(refused.err.find("暂不支持DetailSrp模式关键词"), std::string::npos);
}

TEST_F(SearchCliE2e, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"search"},
        {"search", "a", "b"},
        {"search", "a", "--sort", "fast"},
        {"search", "a", "--direction", "up"},
        {"search", "a", "--workers", "17"},
        {"search", "a", "--pages"},
        {"search", "a", "--bogus", "1"},
        {"search", "😀"},
        {"listpage"},
        {"listpage", "http://x/", "--workers", "2"},
    };
    for (const auto& args : cases) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_EQ(run.out, "") << args.back();
    }
    // An output the program cannot write is refused before the walk, not after it.
    const CliRun badOut = cli({"search", "a b+c", "--out", (dataDir / "x.txt").string()});
    EXPECT_EQ(badOut.exitCode, 2);
    EXPECT_TRUE(server.requests().empty());
}

#ifndef _WIN32
TEST_F(SearchCliE2e, CtrlCStopsLikeTheStopButtonAndKeepsTheRows) {
    // Slow item pages leave time to interrupt while the details are fetched.
    sim::Fault slow;
    slow.latencyMs = 150;
    server.setFault(sim::kItemPagePath, slow);
    int errPipe[2];
    ASSERT_EQ(pipe(errPipe), 0);
    int outPipe[2];
    ASSERT_EQ(pipe(outPipe), 0);
    const std::string dataArg = dataDir.string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(errPipe[1], 2);
        dup2(outPipe[1], 1);
        close(errPipe[0]);
        close(outPipe[0]);
        execl(SHELFWATCH_CLI_PATH, SHELFWATCH_CLI_PATH, "--data-dir", dataArg.c_str(), "--now",
              "2014-07-31 08:00:00", "search", "连衣裙", "--pages", "1", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    close(outPipe[1]);
    std::string err;
    char buffer[4096];
    bool sent = false;
    while (!sent) {
        const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
        if (n <= 0) break;
        err.append(buffer, static_cast<std::size_t>(n));
        // The second progress line (a tenth of the details) comes once the first row is done.
        const std::size_t first = err.find("进度： ");
        if (first != std::string::npos && err.find("进度： ", first + 1) != std::string::npos) {
            kill(child, SIGINT);
            sent = true;
        }
    }
    std::string out;
    ssize_t n = 0;
    while ((n = read(outPipe[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    while ((n = read(errPipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<std::size_t>(n));
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(sent) << err;
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(err.find("线程已停止操作。"), std::string::npos) << err;

    const std::vector<std::string> rows = lines(out);
    ASSERT_EQ(rows.size(), 1 + 44u);
    EXPECT_EQ(rows.front(), "\xEF\xBB\xBF" + header());
    // The first row is done; the last one was never asked for and has its address only.
    const auto fields = [](const std::string& row) {
        std::vector<std::string> split(1);
        for (char c : row) {
            if (c == ',') {
                split.emplace_back();
            } else {
                split.back().push_back(c);
            }
        }
        return split;
    };
    ASSERT_EQ(fields(rows[1]).size(), 12u);
    EXPECT_FALSE(fields(rows[1])[3].empty()) << rows[1];
    const std::vector<std::string> last = fields(rows[44]);
    ASSERT_EQ(last.size(), 12u);
    EXPECT_EQ(last[0], "43");
    EXPECT_NE(last[2].find("/item.htm?id="), std::string::npos);
    for (int c : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11}) EXPECT_EQ(last[static_cast<std::size_t>(c)], "") << c;
}
#endif

}  // namespace
}  // namespace shelfwatch

// The stats command of the real binary over what search writes: a workbook, a
// CSV file and the same CSV on standard input give one grid; bad input fails.
#include "market_sim.h"
#include "sim_routes.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string q(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class CliStatsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::installMarketRoutes(server);
        ASSERT_TRUE(server.start());
        dir = fs::temp_directory_path() / ("shelfwatch-cli-stats-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir / "data");
        ASSERT_TRUE(server.writeMarketIni(dir / "data"));
    }
    void TearDown() override {
        server.stop();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Exit code; standard output into `out`.
    int run(const std::string& args, std::string& out, const std::string& input = "") {
        std::string command = q(SHELFWATCH_CLI_PATH) + " --data-dir " + q((dir / "data").string()) +
                              " --now '2014-07-31 08:00:00' " + args + " >" + q((dir / "out").string()) +
                              " 2>" + q((dir / "err").string());
        if (!input.empty()) command += " <" + q(input);
        const int status = std::system(command.c_str());
        out = readFile(dir / "out");
#ifdef _WIN32
        return status;
#else
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

    sim::MarketSim server;
    fs::path dir;
};

TEST_F(CliStatsTest, WorkbookCsvAndStandardInputGiveTheSameGrid) {
    std::string out;
    const std::string xlsx = (dir / "r.xlsx").string();
    const std::string csv = (dir / "r.csv").string();
    ASSERT_EQ(run("search 连衣裙 --pages 2 --out " + q(xlsx), out), 0);
    ASSERT_EQ(run("search 连衣裙 --pages 2 --out " + q(csv), out), 0);

    std::string fromWorkbook;
    ASSERT_EQ(run("stats " + q(xlsx), fromWorkbook), 0);
    std::string fromCsv;
    ASSERT_EQ(run("stats " + q(csv), fromCsv), 0);
    std::string fromStdin;
    ASSERT_EQ(run("stats -", fromStdin, csv), 0);

    EXPECT_EQ(fromWorkbook, fromCsv);
    EXPECT_EQ(fromStdin, fromCsv);
    // Header plus seven days, today first.
    EXPECT_EQ(std::count(fromCsv.begin(), fromCsv.end(), '\n'), 8);
    EXPECT_EQ(fromCsv.find("2014-7-31"), fromCsv.find('\n') + 1);
    EXPECT_NE(fromCsv.find("2014-8-6"), std::string::npos);
    // Some listing of the catalogue ends within the week.
    int total = 0;
    std::istringstream lines(fromCsv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) total += std::stoi(line.substr(line.find_last_of(' ') + 1));
    EXPECT_GT(total, 0);
}

TEST_F(CliStatsTest, UnreadableInputFails) {
    std::string out;
    const fs::path broken = dir / "broken.xlsx";
    std::ofstream(broken, std::ios::binary) << "PK\3\4 not really";
    EXPECT_EQ(run("stats " + q(broken.string()), out), 3);
    EXPECT_NE(readFile(dir / "err").find("打开excel文件失败！"), std::string::npos);
    EXPECT_EQ(run("stats " + q((dir / "missing.csv").string()), out), 3);
    EXPECT_EQ(run("stats", out), 2);
    EXPECT_EQ(run("stats a.csv b.csv", out), 2);
    EXPECT_EQ(run("search 连衣裙 --pages 1 --out " + q((dir / "nowhere" / "r.xlsx").string()), out), 3);
    EXPECT_NE(readFile(dir / "err").find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace shelfwatch

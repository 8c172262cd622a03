// The stats command of the real binary over what search writes: a workbook, a
// CSV file and the same CSV on standard input give one grid; bad input fails.
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::readFile;

class CliStatsTest : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override { ASSERT_TRUE(start()); }
};

TEST_F(CliStatsTest, WorkbookCsvAndStandardInputGiveTheSameGrid) {
    const std::string xlsx = (dataDir / "r.xlsx").string();
    const std::string csv = (dataDir / "r.csv").string();
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", xlsx}).exitCode, 0);
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", csv}).exitCode, 0);

    const CliRun workbook = cli({"stats", xlsx});
    ASSERT_EQ(workbook.exitCode, 0);
    const CliRun csvFile = cli({"stats", csv});
    ASSERT_EQ(csvFile.exitCode, 0);
    const CliRun standardInput = cli({"stats", "-"}, readFile(csv));
    ASSERT_EQ(standardInput.exitCode, 0);

    const std::string& fromCsv = csvFile.out;
    EXPECT_EQ(workbook.out, fromCsv);
    EXPECT_EQ(standardInput.out, fromCsv);
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
    const fs::path broken = dataDir / "broken.xlsx";
    std::ofstream(broken, std::ios::binary) << "PK\3\4 not really";
    const CliRun unreadable = cli({"stats", broken.string()});
    EXPECT_EQ(unreadable.exitCode, 5);
    EXPECT_NE(unreadable.err.find("打开excel文件失败！"), std::string::npos);
    EXPECT_EQ(cli({"stats", (dataDir / "missing.csv").string()}).exitCode, 5);
    EXPECT_EQ(cli({"stats"}).exitCode, 2);
    EXPECT_EQ(cli({"stats", "a.csv", "b.csv"}).exitCode, 2);
    const CliRun unwritable =
        cli({"search", "连衣裙", "--pages", "1", "--out", (dataDir / "nowhere" / "r.xlsx").string()});
    EXPECT_EQ(unwritable.exitCode, 5);
    EXPECT_NE(unwritable.err.find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace shelfwatch

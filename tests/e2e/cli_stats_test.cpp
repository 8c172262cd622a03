// The stats command of the real binary over what search writes: a workbook, a
// CSV file and the same CSV on standard input give one grid; bad input fails.
#include "catalogue.h"
#include "item_pages.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

TEST_F(CliStatsTest, ReadsTheProgramsOwnJsonAndCsv) {
    const std::string csv = (dataDir / "r.csv").string();
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", csv}).exitCode, 0);
    const CliRun json = cli({"search", "连衣裙", "--pages", "2", "--json", "--quiet"});
    ASSERT_EQ(json.exitCode, 0);
    const std::string jsonFile = (dataDir / "r.json").string();
    std::ofstream(jsonFile, std::ios::binary) << json.out;

    const CliRun fromCsv = cli({"stats", csv});
    ASSERT_EQ(fromCsv.exitCode, 0) << fromCsv.err;
    const CliRun fromJson = cli({"stats", jsonFile});
    ASSERT_EQ(fromJson.exitCode, 0) << fromJson.err;
    const CliRun fromPipe = cli({"stats", "-"}, json.out);
    ASSERT_EQ(fromPipe.exitCode, 0) << fromPipe.err;
    EXPECT_EQ(fromJson.out, fromCsv.out);
    EXPECT_EQ(fromPipe.out, fromCsv.out);

    // One item's record is a table of one row.
    const CliRun item = cli({"item", sim::itemUrl(server.host(), sim::fixture::kWorkedExample), "--json"});
    ASSERT_EQ(item.exitCode, 0);
    const CliRun one = cli({"stats", "-"}, item.out);
    ASSERT_EQ(one.exitCode, 0) << one.err;
    int total = 0;
    std::istringstream lines(one.out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) total += std::stoi(line.substr(line.find_last_of(' ') + 1));
    EXPECT_EQ(total, 1);
}

TEST_F(CliStatsTest, TheGridFitsInAHundredColumns) {
    const std::string csv = (dataDir / "r.csv").string();
    ASSERT_EQ(cli({"search", "连衣裙", "--pages", "2", "--out", csv}).exitCode, 0);
    const CliRun run = cli({"stats", csv});
    ASSERT_EQ(run.exitCode, 0);
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        // Terminal columns: a CJK character takes two, its UTF-8 form three bytes.
        std::size_t columns = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (c < 0x80) {
                ++columns;
            } else if (c >= 0xE0) {
                columns += 2;
            }
        }
        EXPECT_LE(columns, 100u) << line;
    }
}

TEST_F(CliStatsTest, UnreadableInputFails) {
    const fs::path broken = dataDir / "broken.xlsx";
    std::ofstream(broken, std::ios::binary) << "PK\3\4 not really";
    const CliRun unreadable = cli({"stats", broken.string()});
    EXPECT_EQ(unreadable.exitCode, 5);
    EXPECT_NE(unreadable.err.find("打开excel文件失败！"), std::string::npos);
    EXPECT_EQ(cli({"stats", (dataDir / "missing.csv").string()}).exitCode, 5);
    // Neither a workbook nor a table, and inputs that never end: refused, not an empty grid.
    std::ofstream(dataDir / "page.csv", std::ios::binary) << "<html><body>not a table</body></html>\n";
    std::string noise(1 << 16, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) % 251);
    std::ofstream(dataDir / "noise.bin", std::ios::binary) << noise;
    const struct {
        std::vector<std::string> args;
        std::string input;
        const char* reason;
    } refused[] = {
        {{"stats", dataDir.string()}, "", "a folder"},
        {{"stats", (dataDir / "page.csv").string()}, "", "no title and end columns"},
        {{"stats", (dataDir / "noise.bin").string()}, "", "random bytes"},
        {{"stats", "-"}, "[{\"title\": \"cut", "JSON cut short"},
        {{"stats", "/dev/zero"}, "", "endless input"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.reason);
        const CliRun run = cli(c.args, c.input);
        EXPECT_EQ(run.exitCode, 5);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(cli({"stats"}).exitCode, 2);
    EXPECT_EQ(cli({"stats", "a.csv", "b.csv"}).exitCode, 2);
    const CliRun unwritable =
        cli({"search", "连衣裙", "--pages", "1", "--out", (dataDir / "nowhere" / "r.xlsx").string()});
    EXPECT_EQ(unwritable.exitCode, 5);
    EXPECT_NE(unwritable.err.find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace shelfwatch

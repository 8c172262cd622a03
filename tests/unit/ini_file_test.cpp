#include "config/ini_file.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace shelfwatch;

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("ini-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
        m_file = m_dir / "settings.ini";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void writeRaw(const std::string& bytes) { std::ofstream(m_file, std::ios::binary) << bytes; }
    std::string readRaw() const {
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
    fs::path m_file;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsDefault) {
    EXPECT_EQ(config::iniRead(m_file, "run", "first", "dflt"), "dflt");
    EXPECT_TRUE(config::iniSectionNames(m_file).empty());
    writeRaw("[run]\r\nother=1\r\n");
    EXPECT_EQ(config::iniRead(m_file, "run", "first", ""), "");
    EXPECT_EQ(config::iniRead(m_file, "none", "other", "x"), "x");
}

TEST_F(IniFileTest, WriteCreatesFileAndSection) {
    ASSERT_TRUE(config::iniWrite(m_file, "run", "first", "1"));
    EXPECT_EQ(readRaw(), "[run]\r\nfirst=1\r\n");
    EXPECT_EQ(config::iniRead(m_file, "run", "first", ""), "1");
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndValuesAreTrimmed) {
    writeRaw("; comment\n[Run]\n  First  =  yes please  \nquoted=\" padded \"\n");
    EXPECT_EQ(config::iniRead(m_file, "RUN", "first", ""), "yes please");
    EXPECT_EQ(config::iniRead(m_file, "run", "QUOTED", ""), " padded ");
    ASSERT_TRUE(config::iniWrite(m_file, "rUN", "FIRST", "no"));
    EXPECT_EQ(config::iniRead(m_file, "run", "first", ""), "no");
    // The existing line is replaced in place, the file keeps its LF line ends.
    EXPECT_EQ(readRaw(), "; comment\n[Run]\nFIRST=no\nquoted=\" padded \"\n");
}

TEST_F(IniFileTest, NewKeysJoinTheirSectionAndSectionsKeepFileOrder) {
    ASSERT_TRUE(config::iniWrite(m_file, "b", "k", "1"));
    ASSERT_TRUE(config::iniWrite(m_file, "a", "k", "2"));
    ASSERT_TRUE(config::iniWrite(m_file, "c", "k", "3"));
    ASSERT_TRUE(config::iniWrite(m_file, "b", "j", "4"));
    EXPECT_EQ(config::iniSectionNames(m_file), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(readRaw(), "[b]\r\nk=1\r\nj=4\r\n[a]\r\nk=2\r\n[c]\r\nk=3\r\n");
}

TEST_F(IniFileTest, DeleteSectionRemovesItsKeysOnly) {
    writeRaw("[keep]\r\na=1\r\n[task1]\r\nname=x\r\n\r\n[TASK1]\r\nname=y\r\n[also]\r\nb=2\r\n");
    ASSERT_TRUE(config::iniDeleteSection(m_file, "Task1"));
    EXPECT_EQ(config::iniSectionNames(m_file), (std::vector<std::string>{"keep", "also"}));
    EXPECT_EQ(config::iniRead(m_file, "task1", "name", "gone"), "gone");
    EXPECT_EQ(config::iniRead(m_file, "also", "b", ""), "2");
    EXPECT_TRUE(config::iniDeleteSection(m_file, "absent"));
    EXPECT_TRUE(config::iniDeleteSection(m_dir / "no-such.ini", "x"));
}

TEST_F(IniFileTest, GbkValuesAndNamesRoundTripAsBytes) {
    const std::string section = text::gbk("任务1");
    const std::string value = text::gbk("连衣裙 女 夏季");
    ASSERT_TRUE(config::iniWrite(m_file, section, text::gbk("关键词"), value));
    EXPECT_EQ(config::iniRead(m_file, section, text::gbk("关键词"), ""), value);
    EXPECT_EQ(config::iniSectionNames(m_file), std::vector<std::string>{section});
    EXPECT_NE(readRaw().find(value), std::string::npos);
}

TEST_F(IniFileTest, ValueLineBreaksCannotSplitTheFile) {
    ASSERT_TRUE(config::iniWrite(m_file, "s", "k", "one\r\n[evil]\nx=1"));
    EXPECT_EQ(config::iniSectionNames(m_file), std::vector<std::string>{"s"});
    EXPECT_EQ(config::iniRead(m_file, "s", "k", ""), "one  [evil] x=1");
}

TEST_F(IniFileTest, RewritesLeaveNoTemporaryFilesAndLoseNoWrites) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i)
                EXPECT_TRUE(config::iniWrite(m_file, "w" + std::to_string(t), "k" + std::to_string(i),
                                             std::to_string(i)));
        });
    }
    for (std::thread& w : writers) w.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(config::iniRead(m_file, "w" + std::to_string(t), "k" + std::to_string(i), ""),
                      std::to_string(i));
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(m_dir)) files.push_back(entry.path().filename());
    EXPECT_EQ(files, std::vector<fs::path>{"settings.ini"});
}

TEST_F(IniFileTest, UnwritableTargetReportsFailure) {
    fs::create_directories(m_dir / "dir.ini");
    EXPECT_FALSE(config::iniWrite(m_dir / "dir.ini", "s", "k", "v"));
}

}  // namespace

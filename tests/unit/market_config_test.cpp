#include "config/market_config.h"

#include "config/ini_file.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;
using namespace shelfwatch;

class MarketConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("market-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(MarketConfigTest, EmptyDataDirTalksToTheRealMarketplace) {
    const config::MarketConfig config = config::MarketConfig::load(m_dir);
    EXPECT_EQ(config.homeUrl(), "http://www.taobao.com/");
    EXPECT_EQ(config.mallTitleSuffix(), text::gbk("-tmall.com天猫"));
    EXPECT_EQ(config.mallPageMarker(), text::gbk("tmall.com天猫</title>"));
    EXPECT_EQ(config.guidePageMarker(), "\"http://www.taobao.com/register/guide.htm");
    EXPECT_TRUE(config.publisherHost.empty());
    EXPECT_TRUE(config.cookieFile.empty());
}

TEST_F(MarketConfigTest, SavedValuesLoadBackAndEmptyHostsKeepDefaults) {
    config::MarketConfig config;
    config.homeHost = "127.0.0.1:8080";
    config.mallDomain = "mall.example";
    config.helpHost = "help.example:81";
    config.cookieFile = "cookies.txt";
    ASSERT_TRUE(config.save(m_dir));
    ASSERT_TRUE(config::iniWrite(m_dir / "market.ini", "hosts", "search", ""));

    const config::MarketConfig loaded = config::MarketConfig::load(m_dir);
    EXPECT_EQ(loaded.homeHost, "127.0.0.1:8080");
    EXPECT_EQ(loaded.searchHost, "s.taobao.com");
    EXPECT_EQ(loaded.mallPageMarker(), "mall.example" + text::gbk("天猫</title>"));
    EXPECT_EQ(loaded.guidePageMarker(), "\"http://help.example:81/register/guide.htm");
    // A relative cookie file is found in the data directory.
    EXPECT_EQ(loaded.cookieFile, m_dir / "cookies.txt");
}

}  // namespace

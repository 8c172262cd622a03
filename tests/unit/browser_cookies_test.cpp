#include "net/cookie_jar.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace shelfwatch;

std::int64_t inAYear() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count() + 365 * 86400;
}

class BrowserCookiesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("cookies-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(m_dir / "firefox");
        m_source.rootDomain = "taobao.com";
        m_source.firefoxProfilesDir = m_dir / "firefox";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A profile folder with a cookies.sqlite holding (host, name, value, expiry) rows.
    void makeProfile(
        const std::string& folder,
        const std::vector<std::tuple<std::string, std::string, std::string, std::int64_t>>& rows) {
        const fs::path profile = m_dir / "firefox" / folder;
        fs::create_directories(profile);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((profile / "cookies.sqlite").string().c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(
                      db,
                      "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT, name TEXT, "
                      "value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
                      "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER)",
                      nullptr, nullptr, nullptr),
                  SQLITE_OK);
        int created = 1;
        for (const auto& [host, name, value, expiry] : rows) {
            const std::string sql =
                "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                "lastAccessed, creationTime, isSecure, isHttpOnly) VALUES ('', '" +
                name + "', '" + value + "', '" + host + "', '/', " + std::to_string(expiry) + ", 0, " +
                std::to_string(created++) + ", 0, 0)";
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(db);
    }
    void writeFile(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    fs::path m_dir;
    net::BrowserCookieSource m_source;
};

TEST_F(BrowserCookiesTest, ReadsTheDefaultFirefoxProfile) {
    const std::int64_t later = inAYear();
    makeProfile("other.profile", {{".taobao.com", "wrong", "profile", later}});
    makeProfile("abcd.default", {{".taobao.com", "t", "abc", later},
                                 {"www.taobao.com", "w", "1", later},
                                 {"taobao.com", "plain", "2", 0},
                                 {".nottaobao.com", "x", "3", later},
                                 {".tmall.com", "y", "4", later},
                                 {".taobao.com", "old", "5", 1000}});
    writeFile(
        m_dir / "firefox" / "profiles.ini",
        "[General]\nStartWithLastProfile=1\n\n[Profile1]\nName=other\nIsRelative=1\nPath=other.profile\n\n"
        "[Profile0]\nName=default\nIsRelative=1\nPath=abcd.default\nDefault=1\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "t=abc; w=1; plain=2");
    // An installation's own default wins over the Default=1 mark.
    writeFile(m_dir / "firefox" / "profiles.ini",
              "[Install4F96D1932A9F858E]\nDefault=other.profile\nLocked=1\n\n"
              "[Profile0]\nName=default\nIsRelative=1\nPath=abcd.default\nDefault=1\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "wrong=profile");
}

TEST_F(BrowserCookiesTest, FallsBackToTheNetscapeCookieFile) {
    m_source.cookieFile = m_dir / "cookies.txt";
    writeFile(m_source.cookieFile,
              "# Netscape HTTP Cookie File\n"
              ".taobao.com\tTRUE\t/\tFALSE\t0\tcna\tq1w2\r\n"
              "#HttpOnly_.taobao.com\tTRUE\t/\tTRUE\t" +
                  std::to_string(inAYear()) +
                  "\tcookie2\tzz\n"
                  ".taobao.com\tTRUE\t/\tFALSE\t1000\texpired\tx\n"
                  "www.example.com\tFALSE\t/\tFALSE\t0\tother\ty\n"
                  "broken line\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "cna=q1w2; cookie2=zz");

    net::CookieJar jar;
    net::setLocalCookie(jar, true, m_source);
    EXPECT_EQ(jar.localCookieText(), "cna=q1w2; cookie2=zz");
    net::setLocalCookie(jar, false, m_source);
    EXPECT_EQ(jar.localCookieText(), "");
}

TEST_F(BrowserCookiesTest, NothingToReadOrTooLongGivesEmpty) {
    EXPECT_EQ(net::readBrowserCookies(m_source), "");
    m_source.cookieFile = m_dir / "missing.txt";
    EXPECT_EQ(net::readBrowserCookies(m_source), "");

    m_source.cookieFile = m_dir / "cookies.txt";
    // 2047 bytes plus the terminating NUL still fit into the 2048-byte buffer.
    const std::string fits(2047 - 2, 'v');
    writeFile(m_source.cookieFile, ".taobao.com\tTRUE\t/\tFALSE\t0\tk\t" + fits + "\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "k=" + fits);
    writeFile(m_source.cookieFile, ".taobao.com\tTRUE\t/\tFALSE\t0\tk\t" + fits + "v\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "");
}

}  // namespace

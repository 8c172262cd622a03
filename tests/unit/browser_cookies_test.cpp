#include "net/cookie_jar.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

    struct Row {
        std::string host;
        std::string name;
        std::string value;
        std::int64_t expiry;
        std::string path = "/";
        bool secure = false;
    };
    // A profile folder with a cookies.sqlite holding these rows.
    void makeProfile(const std::string& folder, const std::vector<Row>& rows) {
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
        for (const Row& r : rows) {
            const std::string sql =
                "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                "lastAccessed, creationTime, isSecure, isHttpOnly) VALUES ('', '" +
                r.name + "', '" + r.value + "', '" + r.host + "', '" + r.path + "', " +
                std::to_string(r.expiry) + ", 0, " + std::to_string(created++) + ", " +
                (r.secure ? "1" : "0") + ", 0)";
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(db);
    }
    void useOnlyProfile(const std::string& folder) {
        writeFile(m_dir / "firefox" / "profiles.ini",
                  "[Profile0]\nName=default\nIsRelative=1\nPath=" + folder + "\nDefault=1\n");
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
    EXPECT_EQ(net::readBrowserCookies(m_source), "t=abc; plain=2");
    // An installation's own default wins over the Default=1 mark.
    writeFile(m_dir / "firefox" / "profiles.ini",
              "[Install4F96D1932A9F858E]\nDefault=other.profile\nLocked=1\n\n"
              "[Profile0]\nName=default\nIsRelative=1\nPath=abcd.default\nDefault=1\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "wrong=profile");
}

struct CookieCase {
    const char* why;
    std::string host;  // Firefox's form: a leading dot marks a domain cookie
    std::string path;
    bool secure;
    bool sent;
};

// Only what a browser would send with a plain-HTTP request for the root
// domain's "/" page.
const CookieCase kCookieCases[] = {
    {"domain cookie of the root domain", ".taobao.com", "/", false, true},
    {"host-only cookie of the root domain", "taobao.com", "/", false, true},
    {"host-only cookie in another case", "TaoBao.COM", "/", false, true},
    {"domain cookie of a domain above the root", ".com", "/", false, true},
    {"host-only cookie of a subdomain", "www.taobao.com", "/", false, false},
    {"domain cookie of a subdomain", ".login.taobao.com", "/", false, false},
    {"another domain ending in the same letters", ".nottaobao.com", "/", false, false},
    {"another domain", ".tmall.com", "/", false, false},
    {"a Secure cookie never goes over plain http", ".taobao.com", "/", true, false},
    {"a Secure host-only cookie of the root", "taobao.com", "/", true, false},
    {"a path below the root page", ".taobao.com", "/member", false, false},
};

TEST_F(BrowserCookiesTest, SendsOnlyWhatABrowserWouldSendToTheRootPage) {
    const std::int64_t later = inAYear();
    std::vector<Row> rows;
    std::string firefoxExpected;
    std::string netscapeFile = "# Netscape HTTP Cookie File\n";
    int n = 0;
    for (const CookieCase& c : kCookieCases) {
        const std::string name = "c" + std::to_string(n++);
        rows.push_back({c.host, name, "v", later, c.path, c.secure});
        const bool domainCookie = c.host.front() == '.';
        netscapeFile += c.host + "\t" + (domainCookie ? "TRUE" : "FALSE") + "\t" + c.path + "\t" +
                        (c.secure ? "TRUE" : "FALSE") + "\t" + std::to_string(later) + "\t" + name + "\tv\n";
        if (c.sent) firefoxExpected += (firefoxExpected.empty() ? "" : "; ") + name + "=v";
    }
    makeProfile("abcd.default", rows);
    useOnlyProfile("abcd.default");
    const std::string firefox = net::readBrowserCookies(m_source);
    EXPECT_EQ(firefox, firefoxExpected);

    // The cookie file says the same with its subdomain flag and secure field.
    fs::remove_all(m_dir / "firefox");
    m_source.cookieFile = m_dir / "cookies.txt";
    writeFile(m_source.cookieFile, netscapeFile);
    EXPECT_EQ(net::readBrowserCookies(m_source), firefoxExpected);

    // Which cookie went wrong, when one does.
    for (std::size_t i = 0; i < std::size(kCookieCases); ++i) {
        const std::string pair = "c" + std::to_string(i) + "=v";
        const bool found = (firefox + "; ").find(pair + "; ") != std::string::npos;
        EXPECT_EQ(found, kCookieCases[i].sent) << kCookieCases[i].why;
    }
}

TEST_F(BrowserCookiesTest, ACookieFileLineWithoutTheSubdomainFlagIsHostOnly) {
    // The flag decides, even without a leading dot: "taobao.com  FALSE" is the
    // root's own cookie, "com  FALSE" is a cookie of the host "com" only.
    m_source.cookieFile = m_dir / "cookies.txt";
    writeFile(m_source.cookieFile,
              "taobao.com\tFALSE\t/\tFALSE\t0\town\t1\n"
              "com\tFALSE\t/\tFALSE\t0\tparentHostOnly\t2\n"
              "com\tTRUE\t/\tFALSE\t0\tparentDomain\t3\n"
              "shop.taobao.com\ttrue\t/\tfalse\t0\tsub\t4\n");
    EXPECT_EQ(net::readBrowserCookies(m_source), "own=1; parentDomain=3");
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
    // cookie2 is Secure: a browser keeps it off a plain-HTTP request.
    EXPECT_EQ(net::readBrowserCookies(m_source), "cna=q1w2");

    net::CookieJar jar;
    net::setLocalCookie(jar, true, m_source);
    EXPECT_EQ(jar.localCookieText(), "cna=q1w2");
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

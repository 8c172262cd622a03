#include "net/cookie_jar.h"
#include "net/page_fetcher.h"

#include "market_sim.h"
#include "sim_routes.h"
#include "support/simulated_market.h"
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace shelfwatch;

const std::string kUserAgent = "User-Agent:Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/5.0)";
const std::string kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
const std::string kAcceptLanguage = "Accept-Language: zh-cn";

sim::Response page(std::string body) {
    sim::Response r;
    r.body = std::move(body);
    return r;
}

// A body whose every byte tells its position, so a prefix can be checked.
std::string numberedBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
    return body;
}

std::string kindName(net::FetchFailureKind kind) { return net::fetchFailureKindName(kind); }

class FetcherTest : public ::testing::Test, protected shelfwatch::testing::SimulatedMarket {
  protected:
    FetcherTest() : SimulatedMarket(sim::SimOptions{0, 42, 0}) {}
    void SetUp() override {
        server.route("/plain", [](const sim::Request&) { return page("plain page"); });
        server.route("/big", [](const sim::Request&) { return page(numberedBody(10000)); });
        ASSERT_TRUE(start());
    }

    std::string url(const std::string& path) const { return "http://" + server.host() + path; }

    const sim::LoggedRequest& lastRequest() {
        m_log = server.requests();
        EXPECT_FALSE(m_log.empty());
        if (m_log.empty()) m_log.emplace_back();
        return m_log.back();
    }

    net::CookieJar m_jar;
    net::CurlFetcher m_fetcher{m_jar};
    std::vector<sim::LoggedRequest> m_log;
};

struct HeaderCase {
    const char* name;
    std::string referrer;
    std::string cookieText;
};

TEST_F(FetcherTest, SendsTheHeaderLinesInTheirOrderAndNothingElse) {
    const HeaderCase cases[] = {
        {"no referrer, no cookie", "", ""},
        {"referrer, no cookie", "http://www.taobao.com/", ""},
        {"no referrer, cookie", "", "t=abc; cna=x1y2"},
        {"referrer and cookie", "http://s.taobao.com/search?q=a", "t=abc"},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_jar.setLocalCookieText(c.cookieText);
        const std::string address = url("/plain?x=1&y=%D6%D0");
        EXPECT_EQ(m_fetcher.fetchPage(address, c.referrer), "plain page");
        const sim::LoggedRequest& request = lastRequest();
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.target, "/plain?x=1&y=%D6%D0");
        std::vector<std::string> expected = {"Host: " + server.host(), kUserAgent};
        if (!c.referrer.empty()) expected.push_back("Referer:" + c.referrer);
        expected.push_back("cookie:" + c.cookieText);
        expected.push_back(kAccept);
        if (c.referrer.empty()) expected.push_back("Referer: " + address);
        expected.push_back(kAcceptLanguage);
        EXPECT_EQ(request.headerLines, expected);
    }
}

TEST_F(FetcherTest, LineBreaksInValuesCannotAddHeaderLines) {
    m_jar.setLocalCookieText("a=1\r\nX-Evil: 1");
    m_fetcher.fetchPage(url("/plain"), "http://r/\nX-Other: 2");
    const sim::LoggedRequest& request = lastRequest();
    EXPECT_EQ(request.header("X-Evil"), "");
    EXPECT_EQ(request.header("X-Other"), "");
    EXPECT_EQ(request.header("cookie"), "a=1");
    EXPECT_EQ(request.header("Referer"), "http://r/");
}

TEST_F(FetcherTest, FollowsRedirects) {
    sim::Fault redirect;
    redirect.redirectTo = "/plain";
    server.setFault("/old", redirect);
    EXPECT_EQ(m_fetcher.fetchPage(url("/old/page"), ""), "plain page");
    const std::vector<sim::LoggedRequest> log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].target, "/old/page");
    EXPECT_EQ(log[1].target, "/plain");
}

TEST_F(FetcherTest, RedirectLoopsEndEmpty) {
    sim::Fault loop;
    loop.redirectTo = "/loop";
    server.setFault("/loop", loop);
    EXPECT_EQ(m_fetcher.fetchPage(url("/loop"), ""), "");
    EXPECT_LE(server.requests().size(), 12u);
}

TEST_F(FetcherTest, ReplaysCookiesSetByAResponseOnOtherThreads) {
    sim::Fault login;
    login.setCookie = "sid=s3cr3t; Path=/";
    server.setFault("/login", login);
    server.route("/login", [](const sim::Request&) { return page("welcome"); });
    std::thread([&] { EXPECT_EQ(m_fetcher.fetchPage(url("/login"), ""), "welcome"); }).join();
    // A second fetcher over the same jar, as another walk would have.
    net::CurlFetcher other(m_jar);
    std::thread([&] { EXPECT_EQ(other.fetchPage(url("/plain"), ""), "plain page"); }).join();
    const sim::LoggedRequest& request = lastRequest();
    EXPECT_EQ(request.header("Cookie"), "sid=s3cr3t");
    // The shared cookie line stays as it is, empty here.
    EXPECT_NE(std::find(request.headerLines.begin(), request.headerLines.end(), "cookie:"),
              request.headerLines.end());
}

TEST_F(FetcherTest, BodyEndsAtTheFirstNul) {
    server.route("/nul", [](const sim::Request&) { return page(std::string("abc\0def", 7)); });
    EXPECT_EQ(m_fetcher.fetchPage(url("/nul"), ""), "abc");
}

TEST_F(FetcherTest, DroppedConnectionKeepsTheBytesSoFar) {
    sim::Fault drop;
    drop.dropAfterBytes = 3000;
    server.setFault("/big", drop);
    EXPECT_EQ(m_fetcher.fetchPage(url("/big"), ""), numberedBody(10000).substr(0, 3000));
    // The next fetch opens a fresh connection and gets everything.
    server.clearFaults();
    EXPECT_EQ(m_fetcher.fetchPage(url("/big"), ""), numberedBody(10000));
}

TEST_F(FetcherTest, ErrorStatusStillGivesItsBody) {
    sim::Fault failing;
    failing.status = 503;
    failing.errorBody = "<html>busy</html>";
    server.setFault("/plain", failing);
    EXPECT_EQ(m_fetcher.fetchPage(url("/plain"), ""), "<html>busy</html>");
    EXPECT_EQ(m_fetcher.fetchPage(url("/no/such/page"), ""), "<html><body>404 Not Found</body></html>");
}

TEST_F(FetcherTest, UnreachableServersGiveEmptyText) {
    // A port that was free a moment ago: nothing listens there.
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int freePort = ntohs(address.sin_port);
    ::close(s);

    struct Unreachable {
        std::string target;
        net::FetchFailureKind kind;
        std::string host;
    };
    const Unreachable unreachable[] = {
        {"http://127.0.0.1:" + std::to_string(freePort) + "/", net::FetchFailureKind::Refused, "127.0.0.1"},
        {"http://nonexistent.invalid/", net::FetchFailureKind::NotResolved, "nonexistent.invalid"},
        // the query joins the host
        {"http://localhost?y=1", net::FetchFailureKind::BadAddress, "localhost?y=1"},
        // not a host name
        {"http://user@127.0.0.1/", net::FetchFailureKind::BadAddress, "user@127.0.0.1"},
        // no such port
        {"http://127.0.0.1:70000/", net::FetchFailureKind::BadAddress, "127.0.0.1"},
        // the host part is "ftp:", so the host asked for is "ftp"
        {"ftp://" + server.host() + "/", net::FetchFailureKind::NotResolved, "ftp"},
    };
    for (const Unreachable& u : unreachable) {
        SCOPED_TRACE(u.target);
        const net::FetchResult result = m_fetcher.fetch(u.target, "");
        EXPECT_EQ(result.body, "");
        EXPECT_EQ(kindName(result.failure.kind), kindName(u.kind)) << result.failure.message;
        EXPECT_EQ(result.failure.host, u.host);
        EXPECT_FALSE(result.failure.message.empty());
        EXPECT_EQ(m_fetcher.fetchPage(u.target, ""), "");
        EXPECT_EQ(kindName(net::lastFetchFailure().kind), kindName(u.kind));
    }
    EXPECT_TRUE(server.requests().empty());

    // A redirect to a host that refuses names that host, not the first one.
    sim::Fault away;
    away.redirectTo = "http://localhost:" + std::to_string(freePort) + "/gone";
    server.setFault("/moved", away);
    const net::FetchFailure failure = m_fetcher.fetch(url("/moved"), "").failure;
    EXPECT_EQ(kindName(failure.kind), kindName(net::FetchFailureKind::Refused));
    EXPECT_EQ(failure.host, "localhost");
}

struct OutcomeCase {
    const char* why;
    std::string path;
    sim::Fault fault;
    std::string expectedBody;
    net::FetchFailureKind expectedKind;
    int expectedStatus;
};

TEST_F(FetcherTest, EveryFetchRecordsWhetherAndWhyItFailed) {
    server.route("/nul", [](const sim::Request&) { return page(std::string("abc\0def", 7)); });
    sim::Fault none;
    sim::Fault busy;
    busy.status = 503;
    busy.errorBody = "<html>busy</html>";
    sim::Fault drop;
    drop.dropAfterBytes = 3000;
    sim::Fault loop;
    loop.redirectTo = "/big";
    sim::Fault moved;
    moved.redirectTo = "/plain";
    const OutcomeCase cases[] = {
        {"a whole answer", "/plain", none, "plain page", net::FetchFailureKind::None, 200},
        {"a body cut at its NUL byte is whole", "/nul", none, "abc", net::FetchFailureKind::None, 200},
        {"a redirect followed to a whole answer", "/moved", moved, "plain page", net::FetchFailureKind::None,
         200},
        {"an error status keeps its body", "/plain", busy, "<html>busy</html>",
         net::FetchFailureKind::HttpStatus, 503},
        {"a missing page", "/no/such/page", none, "<html><body>404 Not Found</body></html>",
         net::FetchFailureKind::HttpStatus, 404},
        {"a connection dropped mid-body keeps the bytes so far", "/big", drop,
         numberedBody(10000).substr(0, 3000), net::FetchFailureKind::ConnectionLost, 200},
        {"a redirect loop", "/big", loop, "", net::FetchFailureKind::TooManyRedirects, 302},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.why);
        server.clearFaults();
        server.setFault(c.path, c.fault);
        const net::FetchResult result = m_fetcher.fetch(url(c.path), "");
        EXPECT_EQ(result.body, c.expectedBody);
        EXPECT_EQ(kindName(result.failure.kind), kindName(c.expectedKind)) << result.failure.message;
        EXPECT_EQ(result.failure.failed(), c.expectedKind != net::FetchFailureKind::None);
        EXPECT_EQ(result.failure.httpStatus, c.expectedStatus);
        EXPECT_EQ(result.failure.host, "127.0.0.1");
        EXPECT_EQ(kindName(net::lastFetchFailure().kind), kindName(c.expectedKind));
    }
    // The record is the calling thread's own: a failure on another thread does
    // not show here.
    server.clearFaults();
    m_fetcher.fetchPage(url("/plain"), "");
    std::thread([&] { m_fetcher.fetchPage("http://nonexistent.invalid/", ""); }).join();
    EXPECT_FALSE(net::lastFetchFailure().failed());
}

TEST_F(FetcherTest, SchemeRelativeAndUnschemedAddressesUsePlainHttp) {
    EXPECT_EQ(m_fetcher.fetchPage("//" + server.host() + "/plain", ""), "plain page");
    EXPECT_EQ(m_fetcher.fetchPage(server.host() + "/plain", ""), "plain page");
    EXPECT_EQ(m_fetcher.fetchPage("HTTP://" + server.host() + "/plain", ""), "plain page");
}

TEST_F(FetcherTest, BlanksInThePathAreEscaped) {
    server.route("/a*", [](const sim::Request& r) { return page(r.target); });
    EXPECT_EQ(m_fetcher.fetchPage(url("/a b?q=x y"), ""), "/a%20b?q=x%20y");
}

TEST_F(FetcherTest, StalledReceiveEndsWithTheBytesSoFar) {
    net::FetchOptions options;
    options.timeoutMs = 400;
    net::CurlFetcher impatient(m_jar, options);
    sim::Fault stall;
    stall.stallMs = 8000;
    stall.stallAfterBytes = 700;
    server.setFault("/big", stall);
    EXPECT_EQ(impatient.fetchPage(url("/big"), ""), numberedBody(10000).substr(0, 700));
    // A slow but steady answer (latency below the bound) is not cut.
    server.clearFaults();
    sim::Fault slow;
    slow.latencyMs = 150;
    server.setFault("/big", slow);
    EXPECT_EQ(impatient.fetchPage(url("/big"), ""), numberedBody(10000));
}

TEST_F(FetcherTest, LongBodiesAreCutAtTheCap) {
    net::FetchOptions options;
    options.maxBodyBytes = 4096;
    net::CurlFetcher capped(m_jar, options);
    EXPECT_EQ(capped.fetchPage(url("/big"), ""), numberedBody(10000).substr(0, 4096));
    EXPECT_EQ(capped.fetchPage(url("/plain"), ""), "plain page");
}

TEST_F(FetcherTest, EventPumpRunsOnTheFetchingThreadOnly) {
    std::atomic<int> pumped{0};
    net::setThreadEventPump([&] { ++pumped; });
    EXPECT_EQ(m_fetcher.fetchPage(url("/big"), ""), numberedBody(10000));
    const int onThisThread = pumped.load();
    EXPECT_GE(onThisThread, 2);
    std::thread([&] { EXPECT_EQ(m_fetcher.fetchPage(url("/big"), ""), numberedBody(10000)); }).join();
    EXPECT_EQ(pumped.load(), onThisThread);
    net::setThreadEventPump({});
}

TEST_F(FetcherTest, FetchFromInsideTheEventPumpWorks) {
    std::string nested;
    bool inside = false;
    net::setThreadEventPump([&] {
        if (inside || !nested.empty()) return;
        inside = true;
        nested = m_fetcher.fetchPage(url("/plain"), "");
        inside = false;
    });
    EXPECT_EQ(m_fetcher.fetchPage(url("/big"), ""), numberedBody(10000));
    net::setThreadEventPump({});
    EXPECT_EQ(nested, "plain page");
}

TEST_F(FetcherTest, ManyThreadsFetchAtOnce) {
    sim::Fault cookie;
    cookie.setCookie = "visit=1; Path=/";
    server.setFault("/plain", cookie);
    std::atomic<int> good{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 6; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 15; ++i) {
                if (t == 0) m_jar.setLocalCookieText("n=" + std::to_string(i));
                const bool big = (i + t) % 2 == 0;
                const std::string body = m_fetcher.fetchPage(url(big ? "/big" : "/plain"), "");
                if (body == (big ? numberedBody(10000) : "plain page")) ++good;
            }
        });
    }
    for (std::thread& w : workers) w.join();
    EXPECT_EQ(good.load(), 90);
}

TEST_F(FetcherTest, HomePageCarriesTheSeededSpmValue) {
    const std::string home = m_fetcher.fetchPage(url("/"), "");
    const std::string marker = "<input type=\"hidden\" name=\"spm\" value=\"" + sim::homeSpmValue(42) + "\"";
    EXPECT_NE(home.find(marker), std::string::npos);
    EXPECT_NE(sim::homeSpmValue(42), sim::homeSpmValue(43));
}

class HttpsFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = shelfwatch::testing::makeTempDir("tls-test-");
        ASSERT_TRUE(sim::writeSelfSignedCertificate(m_dir / "cert.pem", m_dir / "key.pem"));
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(HttpsFetchTest, FetchesOverVerifiedTls) {
    sim::SimOptions options;
    options.tlsCertFile = m_dir / "cert.pem";
    options.tlsKeyFile = m_dir / "key.pem";
    sim::MarketSim server(options);
    server.route("/secure", [](const sim::Request&) { return page("over tls"); });
    ASSERT_TRUE(server.start());
    net::CookieJar jar;
    net::FetchOptions trusting;
    trusting.caFile = (m_dir / "cert.pem").string();
    net::CurlFetcher fetcher(jar, trusting);
    EXPECT_EQ(fetcher.fetchPage("https://" + server.host() + "/secure", ""), "over tls");
    EXPECT_EQ(fetcher.fetchPage("HTTPS://localhost:" + std::to_string(server.port()) + "/secure", ""),
              "over tls");
    EXPECT_EQ(server.requests().back().header("Referer"),
              "HTTPS://localhost:" + std::to_string(server.port()) + "/secure");
    // The certificate is checked: a client that does not trust it gets nothing.
    net::CurlFetcher sceptical(jar);
    const net::FetchResult refused = sceptical.fetch("https://" + server.host() + "/secure", "");
    EXPECT_EQ(refused.body, "");
    EXPECT_EQ(kindName(refused.failure.kind), kindName(net::FetchFailureKind::Tls))
        << refused.failure.message;
}

}  // namespace

// The fetcher's time limits and failure records against servers that answer in
// slow steps. The limits are scaled down (a second per step instead of 18) so
// the cases run in a few seconds; the shapes are those of the real attacks.
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace shelfwatch;
using namespace std::chrono_literals;

// One piece of an answer: wait, then send these bytes.
struct Piece {
    std::chrono::milliseconds delay;
    std::string bytes;
};

// A loopback server that reads one request per connection and plays the same
// script of pieces on each, then closes. Waits end early when the client hangs
// up or the server stops, so a test never waits out a script nobody reads.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::vector<Piece> script) : m_script(std::move(script)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_listener, 8) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~ScriptedServer() {
        m_stop = true;
        m_acceptor.join();
        for (std::thread& t : m_connections) t.join();
        ::close(m_listener);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/page"; }
    int port() const { return m_port; }

  private:
    void acceptLoop() {
        while (!m_stop) {
            pollfd p{m_listener, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0) continue;
            m_connections.emplace_back([this, client] { serve(client); });
        }
    }

    // False when the client has gone or the server stops.
    bool wait(int client, std::chrono::milliseconds delay) {
        const auto until = std::chrono::steady_clock::now() + delay;
        while (!m_stop && std::chrono::steady_clock::now() < until) {
            pollfd p{client, POLLIN | POLLRDHUP, 0};
            if (::poll(&p, 1, 10) > 0) {
                char b;
                if (::recv(client, &b, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return false;
            }
        }
        return !m_stop;
    }

    void serve(int client) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{client, POLLIN, 0};
            if (m_stop || ::poll(&p, 1, 20) < 0) break;
            if (!(p.revents & POLLIN)) continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        for (const Piece& piece : m_script) {
            if (!wait(client, piece.delay)) break;
            if (::send(client, piece.bytes.data(), piece.bytes.size(), MSG_NOSIGNAL) < 0) break;
        }
        ::shutdown(client, SHUT_WR);
        wait(client, 2000ms);
        ::close(client);
    }

    std::vector<Piece> m_script;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_connections;
};

std::string head(std::size_t bodyLength) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(bodyLength) +
           "\r\nConnection: close\r\n\r\n";
}

std::string kindName(net::FetchFailureKind kind) { return net::fetchFailureKindName(kind); }

net::FetchOptions scaledLimits() {
    net::FetchOptions options;
    options.timeoutMs = 1000;
    options.totalTimeoutMs = 6000;
    return options;
}

struct StepCase {
    const char* why;
    std::vector<Piece> script;
    std::string expectedBody;
    net::FetchFailureKind expectedKind;
};

TEST(FetchLimits, EachStepHasItsOwnLimit) {
    const std::string body = "<html>the whole page</html>";
    const std::string firstHalf = body.substr(0, 10);
    const std::string secondHalf = body.substr(10);
    const std::string statusLine = "HTTP/1.1 200 OK\r\n";
    const std::string restOfHead = head(body.size()).substr(statusLine.size());
    const StepCase cases[] = {
        {"headers after 0.7 s, the body 0.7 s later: no step is over 1 s",
         {{700ms, head(body.size())}, {700ms, body}},
         body,
         net::FetchFailureKind::None},
        {"status line, header lines and body 0.6 s apart each",
         {{600ms, statusLine}, {600ms, restOfHead}, {600ms, body}},
         body,
         net::FetchFailureKind::None},
        {"a body arriving in pieces 0.6 s apart",
         {{0ms, head(body.size())},
          {600ms, firstHalf},
          {600ms, secondHalf.substr(0, 5)},
          {600ms, secondHalf.substr(5)}},
         body,
         net::FetchFailureKind::None},
        {"no answer for 2.5 s: waiting for it is one step over its limit",
         {{2500ms, head(body.size())}, {0ms, body}},
         "",
         net::FetchFailureKind::TimedOut},
        {"a pause of 2.5 s inside the body keeps the bytes before it",
         {{0ms, head(body.size())}, {0ms, firstHalf}, {2500ms, secondHalf}},
         firstHalf,
         net::FetchFailureKind::TimedOut},
    };
    // The cases run side by side, each against its own server and on its own
    // thread, so the test takes as long as its slowest case.
    net::CookieJar jar;
    net::CurlFetcher fetcher(jar, scaledLimits());
    std::vector<net::FetchResult> results(std::size(cases));
    std::vector<net::FetchFailure> recorded(std::size(cases));
    {
        std::vector<std::unique_ptr<ScriptedServer>> servers;
        for (const StepCase& c : cases) servers.push_back(std::make_unique<ScriptedServer>(c.script));
        std::vector<std::thread> clients;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            clients.emplace_back([&, i] {
                results[i] = fetcher.fetch(servers[i]->url(), "");
                recorded[i] = net::lastFetchFailure();
            });
        }
        for (std::thread& t : clients) t.join();
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const StepCase& c = cases[i];
        SCOPED_TRACE(c.why);
        EXPECT_EQ(results[i].body, c.expectedBody);
        EXPECT_EQ(kindName(results[i].failure.kind), kindName(c.expectedKind)) << results[i].failure.message;
        EXPECT_EQ(kindName(recorded[i].kind), kindName(c.expectedKind));
        EXPECT_EQ(results[i].failure.host, "127.0.0.1");
    }
}

TEST(FetchLimits, ATrickleEndsAtTheTotalLimitWithTheBytesSoFar) {
    // One byte every 0.3 s keeps every step short; 40 of them would take 12 s.
    std::vector<Piece> script = {{0ms, head(40)}};
    for (int i = 0; i < 40; ++i) script.push_back({300ms, std::string(1, static_cast<char>('a' + i % 26))});
    ScriptedServer server(script);
    net::FetchOptions options = scaledLimits();
    options.totalTimeoutMs = 1500;
    net::CookieJar jar;
    net::CurlFetcher fetcher(jar, options);
    const net::FetchResult result = fetcher.fetch(server.url(), "");
    EXPECT_FALSE(result.body.empty());
    EXPECT_LT(result.body.size(), 40u);
    EXPECT_EQ(result.body,
              std::string("abcdefghijklmnopqrstuvwxyzabcdefghijklmn").substr(0, result.body.size()));
    EXPECT_EQ(kindName(result.failure.kind), kindName(net::FetchFailureKind::TimedOut));
}

}  // namespace

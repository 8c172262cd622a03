#include "market_sim.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <thread>

// The server is written over plain sockets because the request log must keep
// header lines in the order they arrived, which HTTP libraries throw away.
// Socket calls stay in this block.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void closeSocket(Socket s) { closesocket(s); }
void shutdownSocket(Socket s) { shutdown(s, SD_BOTH); }
void shutdownSend(Socket s) { shutdown(s, SD_SEND); }
int pollOne(Socket s, int ms) {
    WSAPOLLFD p{s, POLLRDNORM, 0};
    return WSAPoll(&p, 1, ms);
}
long sendBytes(Socket s, const char* d, std::size_t n) { return send(s, d, static_cast<int>(n), 0); }
long recvBytes(Socket s, char* d, std::size_t n) { return recv(s, d, static_cast<int>(n), 0); }
void blockBrokenPipe() {}
bool socketsReady() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}
}  // namespace
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
namespace {
using Socket = int;
constexpr Socket kNoSocket = -1;
void closeSocket(Socket s) { ::close(s); }
void shutdownSocket(Socket s) { ::shutdown(s, SHUT_RDWR); }
void shutdownSend(Socket s) { ::shutdown(s, SHUT_WR); }
int pollOne(Socket s, int ms) {
    pollfd p{s, POLLIN, 0};
    return ::poll(&p, 1, ms);
}
long sendBytes(Socket s, const char* d, std::size_t n) { return ::send(s, d, n, MSG_NOSIGNAL); }
long recvBytes(Socket s, char* d, std::size_t n) { return ::recv(s, d, n, 0); }
bool socketsReady() { return true; }
// TLS writes go through write(), which raises SIGPIPE on a socket the client
// has closed; blocked on the connection's thread, it becomes a plain error.
void blockBrokenPipe() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
}  // namespace
#endif

namespace shelfwatch::sim {

namespace {

constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kMaxRequestBody = 1024 * 1024;

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The value of a raw header line "Name: value" when its name is `name`.
bool headerValue(const std::string& line, const std::string& name, std::string& value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || !sameNoCase(std::string_view(line).substr(0, colon), name))
        return false;
    std::size_t from = colon + 1;
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t')) ++from;
    value = line.substr(from);
    return true;
}

std::string firstHeader(const std::vector<std::string>& lines, const std::string& name) {
    std::string value;
    for (const std::string& line : lines)
        if (headerValue(line, name, value)) return value;
    return {};
}

const char* reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

}  // namespace

std::string LoggedRequest::header(const std::string& name) const { return firstHeader(headerLines, name); }

std::string Request::param(const std::string& key) const {
    std::size_t from = 0;
    while (from <= query.size()) {
        std::size_t amp = query.find('&', from);
        if (amp == std::string::npos) amp = query.size();
        const std::string_view pair = std::string_view(query).substr(from, amp - from);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key)
            return eq == std::string_view::npos ? std::string() : std::string(pair.substr(eq + 1));
        from = amp + 1;
    }
    return {};
}

struct MarketSim::Impl {
    SimOptions options;
    Socket listenSocket = kNoSocket;
    int port = 0;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> latencyMs{0};
    std::thread acceptThread;
    SSL_CTX* tls = nullptr;

    struct Connection {
        std::thread thread;
        Socket socket = kNoSocket;
        std::atomic<bool> done{false};
    };
    std::mutex connectionMutex;
    std::list<Connection> connections;

    mutable std::mutex routeMutex;
    std::map<std::string, Handler> exactRoutes;
    std::map<std::string, Handler> prefixRoutes;
    std::map<std::string, Fault> faults;

    mutable std::mutex logMutex;
    std::vector<LoggedRequest> log;

    std::mutex sleepMutex;
    std::condition_variable sleepWake;

    // Sleeps unless the server stops meanwhile; false when it did.
    bool pause(int ms) {
        if (ms <= 0) return !stopping;
        std::unique_lock<std::mutex> lock(sleepMutex);
        return !sleepWake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping.load(); });
    }

    // Plain or TLS I/O over one accepted socket.
    struct Stream {
        Socket socket;
        SSL* ssl = nullptr;
        long read(char* buffer, std::size_t size) {
            if (ssl) return SSL_read(ssl, buffer, static_cast<int>(size));
            return recvBytes(socket, buffer, size);
        }
        bool write(std::string_view data) {
            while (!data.empty()) {
                const long n = ssl ? SSL_write(ssl, data.data(), static_cast<int>(data.size()))
                                   : sendBytes(socket, data.data(), data.size());
                if (n <= 0) return false;
                data.remove_prefix(static_cast<std::size_t>(n));
            }
            return true;
        }
    };

    void acceptLoop() {
        while (!stopping) {
            if (pollOne(listenSocket, 50) <= 0) {
                reap();
                continue;
            }
            Socket client = ::accept(listenSocket, nullptr, nullptr);
            if (client == kNoSocket) continue;
            int one = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
            std::lock_guard<std::mutex> guard(connectionMutex);
            if (stopping) {
                closeSocket(client);
                break;
            }
            Connection& c = connections.emplace_back();
            c.socket = client;
            c.thread = std::thread([this, &c, client] {
                serve(client);
                std::lock_guard<std::mutex> inner(connectionMutex);
                closeSocket(client);
                c.socket = kNoSocket;
                c.done = true;
            });
        }
    }

    // Finished connection threads are joined as the server goes, so a long
    // benchmark run does not pile them up.
    void reap() {
        std::list<Connection> finished;
        {
            std::lock_guard<std::mutex> guard(connectionMutex);
            for (auto it = connections.begin(); it != connections.end();) {
                auto next = std::next(it);
                if (it->done) finished.splice(finished.end(), connections, it);
                it = next;
            }
        }
        for (Connection& c : finished) c.thread.join();
    }

    void serve(Socket socket) {
        blockBrokenPipe();
        Stream stream{socket};
        if (tls) {
            stream.ssl = SSL_new(tls);
            if (!stream.ssl) return;
            SSL_set_fd(stream.ssl, static_cast<int>(socket));
            if (SSL_accept(stream.ssl) <= 0) {
                SSL_free(stream.ssl);
                return;
            }
        }
        std::string pending;
        char buffer[16 * 1024];
        // The client's next bytes onto `pending`; false once the connection has closed or failed.
        const auto readMore = [&] {
            const long n = stream.read(buffer, sizeof buffer);
            if (n <= 0) return false;
            pending.append(buffer, static_cast<std::size_t>(n));
            return true;
        };
        while (!stopping) {
            std::size_t headEnd;
            bool closed = false;
            while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
                if (pending.size() > kMaxHeaderBytes || !readMore()) {
                    closed = true;
                    break;
                }
            }
            if (closed) break;

            Request request;
            std::vector<std::string> lines;
            std::size_t from = 0;
            while (from < headEnd) {
                const std::size_t eol = pending.find("\r\n", from);
                lines.push_back(pending.substr(from, std::min(eol, headEnd) - from));
                from = std::min(eol, headEnd) + 2;
            }
            pending.erase(0, headEnd + 4);
            if (lines.empty()) break;
            const std::string& requestLine = lines.front();
            const std::size_t sp1 = requestLine.find(' ');
            const std::size_t sp2 = requestLine.rfind(' ');
            if (sp1 == std::string::npos || sp2 <= sp1) break;
            request.method = requestLine.substr(0, sp1);
            request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
            const std::string version = requestLine.substr(sp2 + 1);
            request.headerLines.assign(lines.begin() + 1, lines.end());
            const std::size_t q = request.target.find('?');
            request.path = request.target.substr(0, q);
            request.query = q == std::string::npos ? std::string() : request.target.substr(q + 1);

            const std::string lengthText = firstHeader(request.headerLines, "Content-Length");
            const std::size_t bodyLength =
                lengthText.empty() ? 0 : std::strtoul(lengthText.c_str(), nullptr, 10);
            if (bodyLength > kMaxRequestBody) break;
            while (pending.size() < bodyLength) {
                if (!readMore()) {
                    closed = true;
                    break;
                }
            }
            if (closed) break;
            pending.erase(0, bodyLength);

            {
                std::lock_guard<std::mutex> guard(logMutex);
                log.push_back({request.method, request.target, request.headerLines});
            }
            const std::string connection = firstHeader(request.headerLines, "Connection");
            const bool keepAlive = version == "HTTP/1.1" ? !sameNoCase(connection, "close")
                                                         : sameNoCase(connection, "keep-alive");
            if (!respond(stream, request, keepAlive) || !keepAlive) break;
        }
        if (stream.ssl) {
            SSL_shutdown(stream.ssl);
            SSL_free(stream.ssl);
        }
    }

    Response dispatch(const Request& request) {
        Handler handler;
        {
            std::lock_guard<std::mutex> guard(routeMutex);
            if (auto it = exactRoutes.find(request.path); it != exactRoutes.end()) {
                handler = it->second;
            } else {
                std::size_t best = 0;
                for (const auto& [prefix, h] : prefixRoutes) {
                    if (request.path.rfind(prefix, 0) == 0 && (prefix.size() >= best || !handler)) {
                        best = prefix.size();
                        handler = h;
                    }
                }
            }
        }
        if (!handler) {
            Response missing;
            missing.status = 404;
            missing.body = "<html><body>404 Not Found</body></html>";
            return missing;
        }
        try {
            return handler(request);
        } catch (const std::exception& e) {
            Response failed;
            failed.status = 500;
            failed.body = std::string("handler failed: ") + e.what();
            return failed;
        }
    }

    bool faultFor(const std::string& target, Fault& fault) const {
        std::lock_guard<std::mutex> guard(routeMutex);
        std::size_t best = 0;
        bool found = false;
        for (const auto& [prefix, f] : faults) {
            if (target.rfind(prefix, 0) == 0 && (!found || prefix.size() >= best)) {
                best = prefix.size();
                fault = f;
                found = true;
            }
        }
        return found;
    }

    // False when the connection must close (a dropped body, a failed write).
    bool respond(Stream& stream, const Request& request, bool keepAlive) {
        Fault fault;
        faultFor(request.target, fault);
        if (!pause(latencyMs + fault.latencyMs)) return false;

        Response response;
        if (!fault.redirectTo.empty()) {
            response.status = 302;
            response.headers.emplace_back("Location", fault.redirectTo);
            response.body = "<html><body>moved</body></html>";
        } else if (fault.status != 0) {
            response.status = fault.status;
            response.body = fault.errorBody;
        } else {
            response = dispatch(request);
        }
        if (!fault.setCookie.empty()) response.headers.emplace_back("Set-Cookie", fault.setCookie);

        std::string head =
            "HTTP/1.1 " + std::to_string(response.status) + " " + reasonPhrase(response.status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
        head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
        const std::string_view body =
            request.method == "HEAD" ? std::string_view() : std::string_view(response.body);

        if (fault.dropAfterBytes >= 0) {
            const std::size_t n = std::min(body.size(), static_cast<std::size_t>(fault.dropAfterBytes));
            stream.write(head);
            stream.write(body.substr(0, n));
            // A FIN rather than a reset, so the client sees every byte sent.
            shutdownSend(stream.socket);
            return false;
        }
        if (fault.stallMs > 0) {
            const std::size_t n =
                std::min(body.size(), static_cast<std::size_t>(std::max(0L, fault.stallAfterBytes)));
            if (!stream.write(head) || !stream.write(body.substr(0, n))) return false;
            if (!pause(fault.stallMs)) return false;
            return stream.write(body.substr(n));
        }
        return stream.write(head + std::string(body));
    }
};

MarketSim::MarketSim(SimOptions options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = std::move(options);
    m_impl->latencyMs = m_impl->options.latencyMs;
}

MarketSim::~MarketSim() { stop(); }

bool MarketSim::start() {
    Impl& d = *m_impl;
    if (d.running) return true;
    if (!socketsReady()) return false;
    if (!d.options.tlsCertFile.empty() && !d.options.tlsKeyFile.empty()) {
        d.tls = SSL_CTX_new(TLS_server_method());
        if (!d.tls ||
            SSL_CTX_use_certificate_chain_file(d.tls, d.options.tlsCertFile.string().c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(d.tls, d.options.tlsKeyFile.string().c_str(), SSL_FILETYPE_PEM) !=
                1) {
            if (d.tls) SSL_CTX_free(d.tls);
            d.tls = nullptr;
            return false;
        }
    }
    d.listenSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (d.listenSocket == kNoSocket) return false;
    int one = 1;
    setsockopt(d.listenSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(d.options.port));
    socklen_t length = sizeof address;
    if (::bind(d.listenSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(d.listenSocket, 128) != 0 ||
        ::getsockname(d.listenSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(d.listenSocket);
        d.listenSocket = kNoSocket;
        return false;
    }
    d.port = ntohs(address.sin_port);
    d.stopping = false;
    d.running = true;
    d.acceptThread = std::thread([&d] { d.acceptLoop(); });
    return true;
}

void MarketSim::stop() {
    Impl& d = *m_impl;
    if (!d.running) return;
    {
        std::lock_guard<std::mutex> guard(d.sleepMutex);
        d.stopping = true;
    }
    d.sleepWake.notify_all();
    if (d.acceptThread.joinable()) d.acceptThread.join();
    closeSocket(d.listenSocket);
    d.listenSocket = kNoSocket;
    {
        // Blocked reads return once their socket is shut down.
        std::lock_guard<std::mutex> guard(d.connectionMutex);
        for (Impl::Connection& c : d.connections)
            if (c.socket != kNoSocket) shutdownSocket(c.socket);
    }
    for (Impl::Connection& c : d.connections)
        if (c.thread.joinable()) c.thread.join();
    d.connections.clear();
    if (d.tls) SSL_CTX_free(d.tls);
    d.tls = nullptr;
    d.running = false;
}

int MarketSim::port() const { return m_impl->port; }

std::string MarketSim::host() const { return "127.0.0.1:" + std::to_string(m_impl->port); }

std::uint64_t MarketSim::seed() const { return m_impl->options.seed; }

void MarketSim::route(const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> guard(m_impl->routeMutex);
    if (!path.empty() && path.back() == '*')
        m_impl->prefixRoutes[path.substr(0, path.size() - 1)] = std::move(handler);
    else
        m_impl->exactRoutes[path] = std::move(handler);
}

void MarketSim::setFault(const std::string& pathPrefix, Fault fault) {
    std::lock_guard<std::mutex> guard(m_impl->routeMutex);
    m_impl->faults[pathPrefix] = std::move(fault);
}

void MarketSim::clearFaults() {
    std::lock_guard<std::mutex> guard(m_impl->routeMutex);
    m_impl->faults.clear();
}

void MarketSim::setLatencyMs(int ms) { m_impl->latencyMs = ms; }

std::vector<LoggedRequest> MarketSim::requests() const {
    std::lock_guard<std::mutex> guard(m_impl->logMutex);
    return m_impl->log;
}

void MarketSim::clearRequests() {
    std::lock_guard<std::mutex> guard(m_impl->logMutex);
    m_impl->log.clear();
}

config::MarketConfig MarketSim::marketConfig() const {
    config::MarketConfig config;
    const std::string self = host();
    config.homeHost = self;
    config.searchHost = self;
    config.listHost = self;
    config.itemHost = self;
    config.helpHost = self;
    config.publisherHost = self;
    config.cookieDomain = "127.0.0.1";
    return config;
}

bool MarketSim::writeMarketIni(const std::filesystem::path& dataDir) const {
    return marketConfig().save(dataDir);
}

bool writeSelfSignedCertificate(const std::filesystem::path& certFile, const std::filesystem::path& keyFile) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    bool ok = key && cert;
    if (ok) {
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
        X509_set_version(cert, 2);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
        for (const auto& [nid, value] : {std::pair{NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1"},
                                         std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
            X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
            ok = ext && X509_add_ext(cert, ext, -1) == 1 && ok;
            X509_EXTENSION_free(ext);
        }
        ok = X509_sign(cert, key, EVP_sha256()) > 0 && ok;
    }
    if (ok) {
        FILE* out = std::fopen(certFile.string().c_str(), "wb");
        ok = out && PEM_write_X509(out, cert) == 1;
        if (out) ok = std::fclose(out) == 0 && ok;
    }
    if (ok) {
        FILE* out = std::fopen(keyFile.string().c_str(), "wb");
        ok = out && PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
        if (out) ok = std::fclose(out) == 0 && ok;
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return ok;
}

}  // namespace shelfwatch::sim

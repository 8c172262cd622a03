// The marketplace simulator: a real HTTP server on 127.0.0.1 that serves the
// pages and service answers of a deterministic, seeded catalogue with exactly the
// markers the program parses. Tests start it in-process on an ephemeral port; the
// market-sim executable serves it for the demo and the benchmarks. It logs every
// request (method, target, header lines in the order received) and can inject
// faults per path prefix. Thread-safe.
#pragma once

#include "config/market_config.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace shelfwatch::sim {

struct LoggedRequest {
    std::string method;
    std::string target;                                 // path with query, as sent
    std::vector<std::string> headerLines;               // "Name: value" exactly as received, in order
    std::string header(const std::string& name) const;  // first match, any case; "" when absent
};

struct Fault {
    int latencyMs = 0;         // before the response
    long dropAfterBytes = -1;  // send this many body bytes, then close the connection
    int status = 0;            // answer with this status (and errorBody) instead
    std::string errorBody;
    int stallMs = 0;           // send headers, then stall this long before the body
    long stallAfterBytes = 0;  // body bytes sent before the stall
    std::string redirectTo;    // 302 to this target
    std::string setCookie;     // Set-Cookie header value added to the answer
};

struct Response {
    int status = 200;
    std::string contentType = "text/html; charset=gbk";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

struct Request {
    std::string method;
    std::string path;   // without query
    std::string query;  // without "?"
    std::string target;
    std::vector<std::string> headerLines;
    std::string param(const std::string& key) const;  // raw (still percent-encoded) value
};

using Handler = std::function<Response(const Request&)>;

struct SimOptions {
    int port = 0;  // 0: ephemeral
    std::uint64_t seed = 1;
    int latencyMs = 0;  // added to every request
    // Both set: the server speaks HTTPS (PEM files) instead of plain HTTP.
    std::filesystem::path tlsCertFile;
    std::filesystem::path tlsKeyFile;
};

// A self-signed certificate for 127.0.0.1 and localhost with its private key,
// both PEM; the certificate doubles as the CA file a client trusts.
bool writeSelfSignedCertificate(const std::filesystem::path& certFile, const std::filesystem::path& keyFile);

class MarketSim {
  public:
    explicit MarketSim(SimOptions options = {});
    ~MarketSim();
    MarketSim(const MarketSim&) = delete;
    MarketSim& operator=(const MarketSim&) = delete;

    bool start();  // false when the port cannot be bound
    void stop();
    int port() const;
    std::string host() const;  // "127.0.0.1:<port>"
    std::uint64_t seed() const;

    // Routes: exact path, or a prefix when `path` ends with '*'.
    void route(const std::string& path, Handler handler);
    void setFault(const std::string& pathPrefix, Fault fault);
    void clearFaults();
    void setLatencyMs(int ms);

    std::vector<LoggedRequest> requests() const;
    void clearRequests();

    // The configuration a client of this server uses: every host name is this
    // server, the mall domain (a text marker only) stays the real one. Page
    // builders take their markers from it.
    config::MarketConfig marketConfig() const;
    // market.ini pointing every host at this server.
    bool writeMarketIni(const std::filesystem::path& dataDir) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace shelfwatch::sim

// The program's one HTTP client for pages and service answers: `fetchPage` makes
// one GET with the browser-like header lines, an optional referrer and the shared
// cookie text, and returns the body as bytes cut at the first NUL, or "" when the
// request cannot be made. The status is never looked at; redirects are followed;
// no proxy is used. Fetcher implementations are thread-safe: walks call one
// fetcher from several worker threads at once.
#pragma once

#include "net/cookie_jar.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace shelfwatch::net {

class Fetcher {
public:
    virtual ~Fetcher() = default;
    virtual std::string fetchPage(std::string_view url, std::string_view referrer) = 0;
};

struct UrlParts {
    bool tls = false;     // "https://" (any case)
    std::string host;     // lower-case
    int port = 80;        // 0 means the scheme's default
    std::string path;     // begins with "/"
};
// The address split the fetcher uses (host part, ":port", path from the first "/"
// after the host). "//host/..." is taken as "http://host/...".
UrlParts splitUrl(std::string_view url);

struct FetchOptions {
    long timeoutMs = 18000;                       // connect, send and receive each
    std::size_t maxBodyBytes = 32u * 1024 * 1024;  // longer bodies are cut here
    long maxRedirects = 10;
    std::string caFile;                           // extra CA bundle (tests' loopback TLS)
};

// libcurl-backed fetcher. Every instance replays the cookies of its CookieJar.
class CurlFetcher final : public Fetcher {
public:
    explicit CurlFetcher(CookieJar& cookies, FetchOptions options = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    std::string fetchPage(std::string_view url, std::string_view referrer) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Letting pending window events run between reads: a hook for the calling thread
// only (the GUI installs one on its window thread; workers have none).
using EventPump = std::function<void()>;
void setThreadEventPump(EventPump pump);
void runThreadEventPump();

}  // namespace shelfwatch::net

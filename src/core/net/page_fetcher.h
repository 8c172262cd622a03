// The program's one HTTP client for pages and service answers: `fetchPage` makes
// one GET with the browser-like header lines, an optional referrer and the shared
// cookie text, and returns the body as bytes cut at the first NUL, or "" when the
// request cannot be made. The status does not change the result; redirects are
// followed; no proxy is used. Why a fetch failed is recorded beside the result
// (`FetchFailure`, below) for callers that report lost pages. Fetcher
// implementations are thread-safe: walks call one fetcher from several worker
// threads at once.
#pragma once

#include "net/cookie_jar.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace shelfwatch::net {

// A plain download: the status and every byte of the body, NUL bytes included.
struct Download {
    bool ok = false;  // the request was made and an answer came back
    long status = 0;
    std::string body;
    bool succeeded() const { return ok && status == 200; }
};

class Fetcher {
  public:
    virtual ~Fetcher() = default;
    virtual std::string fetchPage(std::string_view url, std::string_view referrer) = 0;
    // Pictures and other binary answers. Fetchers that serve only pages answer
    // every download with a failure.
    virtual Download download(std::string_view url) {
        (void)url;
        return {};
    }
};

struct UrlParts {
    bool tls = false;  // "https://" (any case)
    std::string host;  // lower-case
    int port = 80;     // 0 means the scheme's default
    std::string path;  // begins with "/"
};
// The address split the fetcher uses (host part, ":port", path from the first "/"
// after the host). "//host/..." is taken as "http://host/...".
UrlParts splitUrl(std::string_view url);

// Why a fetch gave less than a whole answer. A failed fetch still returns what
// `fetchPage` always returned ("" or the bytes read before the failure); this
// only says why, for messages and exit codes.
enum class FetchFailureKind {
    None,            // a whole answer with a status below 400
    BadAddress,      // the address names no usable host or port; nothing was sent
    NotResolved,     // the host name could not be resolved
    Refused,         // no connection could be made (refused or unreachable)
    TimedOut,        // a step took longer than its limit, or the fetch as a whole did
    Tls,             // the TLS handshake or the certificate check failed
    HttpStatus,      // the server answered with a status of 400 or more (its body is returned)
    ConnectionLost,  // the connection ended before the answer was complete
    TooManyRedirects,
    Other,
};

struct FetchFailure {
    FetchFailureKind kind = FetchFailureKind::None;
    std::string host;     // the host that failed (the last one after redirects), lower-case
    int httpStatus = 0;   // the final answer's status when one arrived, else 0
    std::string message;  // short ASCII text of the cause, e.g. "connection refused"

    bool failed() const { return kind != FetchFailureKind::None; }
};

// The failure of the latest fetch made by a CurlFetcher on the calling thread
// (kind None after a good one, or before any). Each thread has its own record,
// so a walk's worker reads the outcome of its own last fetchPage straight after
// it, also through fetchers that wrap a CurlFetcher.
FetchFailure lastFetchFailure();

// A fixed English name of the kind ("timed out", "not resolved", ...).
const char* fetchFailureKindName(FetchFailureKind kind);

struct FetchResult {
    std::string body;  // what fetchPage returns
    FetchFailure failure;
};

struct FetchOptions {
    // Each step of a fetch has this long: connecting, sending the request,
    // waiting for the answer, and every pause while it arrives. A step that
    // makes progress (a header line, body bytes, a redirect) starts the next.
    long timeoutMs = 18000;
    // The whole fetch, redirects included, ends after this long whatever the
    // steps do, keeping the bytes read so far: a server that trickles a byte
    // now and then cannot hold a worker.
    long totalTimeoutMs = 300000;
    std::size_t maxBodyBytes = 32u * 1024 * 1024;  // longer bodies are cut here
    long maxRedirects = 10;
    std::string caFile;  // extra CA bundle (tests' loopback TLS)
};

// libcurl-backed fetcher. Every instance replays the cookies of its CookieJar.
class CurlFetcher final : public Fetcher {
  public:
    explicit CurlFetcher(CookieJar& cookies, FetchOptions options = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    std::string fetchPage(std::string_view url, std::string_view referrer) override;
    // The same fetch with its failure returned beside the body (also recorded
    // for lastFetchFailure()).
    FetchResult fetch(std::string_view url, std::string_view referrer);
    Download download(std::string_view url) override;

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

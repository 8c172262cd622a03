#include "net/page_fetcher.h"

#include "net/curl_global.h"
#include "text/gbk_text.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

namespace shelfwatch::net {

namespace {

const char kAgentText[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const char kUserAgentLine[] = "User-Agent:Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/5.0)";
const char kAcceptLine[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
const char kAcceptLanguageLine[] = "Accept-Language: zh-cn";

// The event pump runs between reads; a read is at most this many bytes.
constexpr std::size_t kReadChunk = 512;
// The most a body reserves ahead of its bytes on the server's word.
constexpr std::size_t kMaxReserve = 1024 * 1024;
// While nothing arrives the pump still runs this often, so a window stays live.
constexpr auto kIdlePumpInterval = std::chrono::milliseconds(50);

thread_local EventPump t_eventPump;

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// A header value must stay on its line: anything from the first line break on
// would otherwise become a header of its own.
std::string oneLine(std::string_view value) {
    const std::size_t cut = value.find_first_of("\r\n");
    return std::string(value.substr(0, cut));
}

bool blank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Host names the resolver can be asked about. Anything else (a query glued to
// the host, user info, spaces) cannot name a server, so the fetch fails as the
// connection would.
bool plausibleHost(const std::string& host) {
    if (host.empty()) return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    });
}

// Bytes libcurl refuses in a URL (blanks, control codes) are sent escaped, as
// a browser would; everything else goes out as the caller wrote it.
std::string escapePath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

// Where a fetch stands, for the step limit and for saying which step ran out.
enum class Step { Connecting, Waiting, Receiving };

struct Transfer {
    CURL* handle = nullptr;
    std::string body;
    std::size_t maxBody = 0;
    std::size_t sincePump = 0;
    std::chrono::milliseconds stepLimit{0};
    // What libcurl has got so far; any change is progress that ends a step.
    long redirects = 0;
    curl_off_t pretransfer = 0;
    long requestBytes = 0;
    long headerBytes = 0;
    curl_off_t downloaded = 0;
    Step step = Step::Connecting;
    bool stepRanOut = false;  // the progress callback ended the transfer
    bool cutShort = false;    // the body callback ended it on purpose (NUL, size cap)
    std::chrono::steady_clock::time_point stepStart;
    std::chrono::steady_clock::time_point lastPump;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    std::string_view chunk(data, length);
    bool stop = false;
    // The text ends at the first NUL byte; nothing after it can matter.
    if (const std::size_t nul = chunk.find('\0'); nul != std::string_view::npos) {
        chunk = chunk.substr(0, nul);
        stop = true;
    }
    if (t->body.size() + chunk.size() > t->maxBody) {
        chunk = chunk.substr(0, t->maxBody - t->body.size());
        stop = true;
    }
    // Room for the announced length at once: growing a 20 KB page in steps
    // cost more than the copying of the bytes themselves. A length announced
    // but never sent reserves at most kMaxReserve.
    if (t->body.empty()) {
        curl_off_t announced = -1;
        if (curl_easy_getinfo(t->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
            announced > 0)
            t->body.reserve(std::min({static_cast<std::size_t>(announced), t->maxBody, kMaxReserve}));
    }
    t->body.append(chunk);
    t->cutShort = stop;
    t->step = Step::Receiving;
    t->stepStart = std::chrono::steady_clock::now();
    t->sincePump += length;
    if (t->sincePump >= kReadChunk) {
        t->sincePump = 0;
        t->lastPump = t->stepStart;
        runThreadEventPump();
    }
    return stop ? 0 : length;
}

// Starts a new step when anything moved since the last look: a redirect being
// followed, the connection becoming ready, the request going out, a header line
// or body bytes arriving. libcurl's own counters say so; they only grow within
// one transfer, so a change is progress.
void noteProgress(Transfer& t, curl_off_t downloaded, std::chrono::steady_clock::time_point now) {
    long redirects = t.redirects;
    curl_off_t pretransfer = t.pretransfer;
    long requestBytes = t.requestBytes;
    long headerBytes = t.headerBytes;
    curl_easy_getinfo(t.handle, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_easy_getinfo(t.handle, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    curl_easy_getinfo(t.handle, CURLINFO_REQUEST_SIZE, &requestBytes);
    curl_easy_getinfo(t.handle, CURLINFO_HEADER_SIZE, &headerBytes);
    bool moved = false;
    if (redirects != t.redirects) {
        t.redirects = redirects;
        t.step = Step::Connecting;
        moved = true;
    }
    if (pretransfer != t.pretransfer || requestBytes != t.requestBytes) {
        t.pretransfer = pretransfer;
        t.requestBytes = requestBytes;
        t.step = Step::Waiting;
        moved = true;
    }
    if (headerBytes != t.headerBytes || downloaded != t.downloaded) {
        t.headerBytes = headerBytes;
        t.downloaded = downloaded;
        t.step = Step::Receiving;
        moved = true;
    }
    if (moved) t.stepStart = now;
}

// Bounds every step (libcurl itself bounds only the connection and the whole
// transfer) and keeps the caller's events running while the transfer waits.
int onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    const auto now = std::chrono::steady_clock::now();
    noteProgress(*t, downloaded, now);
    if (now - t->stepStart > t->stepLimit) {
        t->stepRanOut = true;
        return 1;
    }
    if (now - t->lastPump >= kIdlePumpInterval) {
        t->lastPump = now;
        runThreadEventPump();
    }
    return 0;
}

thread_local FetchFailure t_lastFailure;

std::string stepText(Step step) {
    switch (step) {
        case Step::Connecting:
            return "timed out connecting";
        case Step::Waiting:
            return "timed out waiting for the answer";
        case Step::Receiving:
            break;
    }
    return "timed out while the answer arrived";
}

// What the finished transfer's outcome means for the caller. Cutting the body
// at a NUL byte or at the size cap is the specified result, not a failure.
FetchFailure describeOutcome(CURL* h, CURLcode code, const Transfer& t, const FetchOptions& options,
                             const std::string& requestedHost, const char* errorText) {
    FetchFailure failure;
    failure.host = requestedHost;
    char* effective = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective)
        failure.host = splitUrl(effective).host;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    failure.httpStatus = static_cast<int>(status);

    auto with = [&](FetchFailureKind kind, std::string message) {
        failure.kind = kind;
        failure.message = std::move(message);
        if ((kind == FetchFailureKind::Tls || kind == FetchFailureKind::Other) && errorText && *errorText)
            failure.message += std::string(": ") + errorText;
        return failure;
    };
    switch (code) {
        case CURLE_OK:
            break;
        case CURLE_WRITE_ERROR:
            if (t.cutShort) break;
            return with(FetchFailureKind::Other, "the answer could not be stored");
        case CURLE_ABORTED_BY_CALLBACK:
            if (t.stepRanOut) return with(FetchFailureKind::TimedOut, stepText(t.step));
            return with(FetchFailureKind::Other, "fetch stopped");
        case CURLE_OPERATION_TIMEDOUT:
            if (t.step == Step::Connecting) return with(FetchFailureKind::TimedOut, stepText(t.step));
            return with(FetchFailureKind::TimedOut,
                        "no whole answer within " + std::to_string(options.totalTimeoutMs / 1000) + " s");
        case CURLE_COULDNT_RESOLVE_HOST:
            return with(FetchFailureKind::NotResolved, "host not found");
        case CURLE_COULDNT_CONNECT:
            return with(FetchFailureKind::Refused, "connection refused");
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return with(FetchFailureKind::Tls, "TLS failed");
        case CURLE_TOO_MANY_REDIRECTS:
            return with(FetchFailureKind::TooManyRedirects, "too many redirects");
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return with(FetchFailureKind::ConnectionLost, "connection lost before the answer was complete");
        default:
            return with(FetchFailureKind::Other, curl_easy_strerror(code));
    }
    if (status >= 400) return with(FetchFailureKind::HttpStatus, "HTTP status " + std::to_string(status));
    return with(FetchFailureKind::None, "");
}

// One easy handle per thread, so a worker's consecutive requests to one host
// can reuse the connection. Every fetch sets each option it relies on again;
// the handle is not reset in between because libcurl 7.88 leaks the cookie
// file list on every reset. A fetch started from inside the event pump while
// this thread's handle is busy gets a handle of its own.
struct ThreadHandle {
    CURL* handle = nullptr;
    std::string caFile;
    bool busy = false;
    ~ThreadHandle() {
        if (handle) curl_easy_cleanup(handle);
    }
};
thread_local ThreadHandle t_handle;

// A new handle with what never changes between fetches: the cookie engine on
// (nothing loaded from a file) and the trusted CA file.
CURL* newHandle(const std::string& caFile) {
    CURL* h = curl_easy_init();
    if (!h) return nullptr;
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    if (!caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
    return h;
}

class HandleLease {
  public:
    explicit HandleLease(const std::string& caFile) {
        if (!t_handle.busy) {
            if (t_handle.handle && t_handle.caFile != caFile) {
                curl_easy_cleanup(t_handle.handle);
                t_handle.handle = nullptr;
            }
            if (!t_handle.handle) {
                t_handle.handle = newHandle(caFile);
                t_handle.caFile = caFile;
            }
            if (t_handle.handle) {
                t_handle.busy = true;
                m_handle = t_handle.handle;
                m_shared = true;
            }
        } else {
            m_handle = newHandle(caFile);
        }
    }
    ~HandleLease() {
        if (!m_handle) return;
        // Detached, the handle holds nothing of the cookie jar, which may be
        // destroyed before this thread ends, nor pointers into this fetch.
        curl_easy_setopt(m_handle, CURLOPT_SHARE, nullptr);
        curl_easy_setopt(m_handle, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(m_handle, CURLOPT_WRITEDATA, nullptr);
        curl_easy_setopt(m_handle, CURLOPT_XFERINFODATA, nullptr);
        curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, nullptr);
        if (m_shared)
            t_handle.busy = false;
        else
            curl_easy_cleanup(m_handle);
    }
    HandleLease(const HandleLease&) = delete;
    HandleLease& operator=(const HandleLease&) = delete;
    CURL* get() const { return m_handle; }

  private:
    CURL* m_handle = nullptr;
    bool m_shared = false;
};

struct HeaderList {
    curl_slist* list = nullptr;
    bool ok = true;
    void add(const std::string& line) {
        curl_slist* next = curl_slist_append(list, line.c_str());
        if (next)
            list = next;
        else
            ok = false;
    }
    ~HeaderList() { curl_slist_free_all(list); }
};

}  // namespace

void ensureCurlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

UrlParts splitUrl(std::string_view url) {
    std::string address(url);
    // A scheme-relative address, resolved as from a plain-HTTP page.
    if (address.rfind("//", 0) == 0) address = "http:" + address;

    UrlParts parts;
    std::size_t hostStart = 0;
    if (startsWithNoCase(address, "https://")) {
        parts.tls = true;
        hostStart = 8;
    } else if (startsWithNoCase(address, "http://")) {
        hostStart = 7;
    }
    const std::size_t slash = address.find('/', hostStart);
    const std::string hostPart =
        address.substr(hostStart, slash == std::string::npos ? std::string::npos : slash - hostStart);

    const std::size_t colon = hostPart.find(':');
    parts.host = hostPart.substr(0, colon);
    for (char& c : parts.host)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (colon != std::string::npos)
        parts.port = text::toInt(std::string_view(hostPart).substr(colon + 1));
    else
        parts.port = parts.tls ? 443 : 80;

    // The host is looked for from where the host part begins, not inside the
    // scheme, so a host such as "t" or "http" does not match "http://".
    const int at = text::find(address, parts.host, static_cast<int>(hostStart) + 1, true);
    const std::size_t pathSlash =
        at < 1 ? std::string::npos : address.find('/', static_cast<std::size_t>(at - 1));
    parts.path = pathSlash == std::string::npos ? std::string("/") : address.substr(pathSlash);
    return parts;
}

struct CurlFetcher::Impl {
    CookieJar& cookies;
    FetchOptions options;
};

namespace {

// Raw bytes for download(): kept whole, NULs and all, up to the size cap.
std::size_t onRawBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    if (t->body.size() + length > t->maxBody) return 0;
    t->body.append(data, length);
    return length;
}

// The address as sent: scheme, lower-case host, explicit port, escaped path.
std::string requestTarget(const UrlParts& parts) {
    std::string target = parts.tls ? "https://" : "http://";
    target += parts.host;
    if (parts.port != 0) target += ":" + std::to_string(parts.port);
    target += escapePath(parts.path);
    return target;
}

using BodyWriter = std::size_t (*)(char*, std::size_t, std::size_t, void*);

// What every request of the program shares: a plain HTTP/1.1 GET of http or
// https, redirects capped, no proxy, verified TLS, the time limits, and the
// transfer's body writer and progress callback.
void setTransferOptions(CURL* h, const std::string& target, const FetchOptions& options, Transfer& transfer,
                        BodyWriter writer) {
    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, options.maxRedirects);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kAgentText);
    // No proxy, whatever the environment says.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    // libcurl bounds the connection (resolving and the TLS handshake included)
    // and the whole transfer; the progress callback bounds every later step.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

}  // namespace

CurlFetcher::CurlFetcher(CookieJar& cookies, FetchOptions options)
    : m_impl(std::make_unique<Impl>(Impl{cookies, std::move(options)})) {
    ensureCurlGlobalInit();
}

CurlFetcher::~CurlFetcher() = default;

std::string CurlFetcher::fetchPage(std::string_view url, std::string_view referrer) {
    return fetch(url, referrer).body;
}

FetchResult CurlFetcher::fetch(std::string_view url, std::string_view referrer) {
    const FetchOptions& options = m_impl->options;
    const UrlParts parts = splitUrl(url);
    FetchResult result;
    result.failure.host = parts.host;
    auto fail = [&](FetchFailureKind kind, const char* message) {
        result.failure.kind = kind;
        result.failure.message = message;
        t_lastFailure = result.failure;
        return result;
    };
    if (!plausibleHost(parts.host) || parts.port < 0 || parts.port > 65535)
        return fail(FetchFailureKind::BadAddress, "not a usable address");

    const std::string target = requestTarget(parts);

    // The header lines in their fixed order. libcurl drops "Name:" with nothing
    // after the colon but sends "Name;" as "Name:", so an empty value uses that form.
    const std::string referrerValue = oneLine(referrer);
    const std::string cookieValue = oneLine(m_impl->cookies.localCookieText());
    HeaderList headers;
    headers.add(kUserAgentLine);
    if (!referrerValue.empty()) headers.add(blank(referrerValue) ? "Referer;" : "Referer:" + referrerValue);
    headers.add(blank(cookieValue) ? std::string("cookie;") : "cookie:" + cookieValue);
    headers.add(kAcceptLine);
    if (referrerValue.empty()) headers.add("Referer: " + oneLine(url));
    headers.add(kAcceptLanguageLine);
    if (!headers.ok) return fail(FetchFailureKind::Other, "out of memory");

    HandleLease lease(options.caFile);
    CURL* h = lease.get();
    if (!h) return fail(FetchFailureKind::Other, "no HTTP handle");

    Transfer transfer;
    transfer.handle = h;
    transfer.maxBody = options.maxBodyBytes;
    transfer.stepLimit = std::chrono::milliseconds(options.timeoutMs);
    transfer.stepStart = transfer.lastPump = std::chrono::steady_clock::now();
    char errorText[CURL_ERROR_SIZE] = {};

    setTransferOptions(h, target, options, transfer, &onBody);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.list);
    if (void* share = m_impl->cookies.shareHandle()) curl_easy_setopt(h, CURLOPT_SHARE, share);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);

    runThreadEventPump();
    // Whatever the outcome, the bytes that arrived are the answer: a dropped
    // connection, a stall, the time limit or the size cap all leave what was
    // read so far.
    const CURLcode code = curl_easy_perform(h);
    result.failure = describeOutcome(h, code, transfer, options, parts.host, errorText);
    result.body = std::move(transfer.body);
    t_lastFailure = result.failure;
    return result;
}

FetchFailure lastFetchFailure() { return t_lastFailure; }

const char* fetchFailureKindName(FetchFailureKind kind) {
    switch (kind) {
        case FetchFailureKind::None:
            return "none";
        case FetchFailureKind::BadAddress:
            return "bad address";
        case FetchFailureKind::NotResolved:
            return "not resolved";
        case FetchFailureKind::Refused:
            return "refused";
        case FetchFailureKind::TimedOut:
            return "timed out";
        case FetchFailureKind::Tls:
            return "TLS";
        case FetchFailureKind::HttpStatus:
            return "HTTP status";
        case FetchFailureKind::ConnectionLost:
            return "connection lost";
        case FetchFailureKind::TooManyRedirects:
            return "too many redirects";
        case FetchFailureKind::Other:
            break;
    }
    return "other";
}

// Like a picture request of a browser component: no cookies, no referrer; the
// status is reported so callers can insist on 200. A body over the size cap is
// a failure rather than a silently cut picture.
Download CurlFetcher::download(std::string_view url) {
    const FetchOptions& options = m_impl->options;
    const UrlParts parts = splitUrl(url);
    if (!plausibleHost(parts.host) || parts.port < 0 || parts.port > 65535) return {};
    const std::string target = requestTarget(parts);

    // A handle of its own: nothing of the page fetches' cookies or connections.
    std::unique_ptr<CURL, void (*)(CURL*)> handle(curl_easy_init(), &curl_easy_cleanup);
    CURL* h = handle.get();
    if (!h) return {};
    if (!options.caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, options.caFile.c_str());
    Transfer transfer;
    transfer.handle = h;
    transfer.maxBody = options.maxBodyBytes;
    transfer.stepLimit = std::chrono::milliseconds(options.timeoutMs);
    transfer.stepStart = transfer.lastPump = std::chrono::steady_clock::now();

    setTransferOptions(h, target, options, transfer, &onRawBody);

    Download result;
    if (curl_easy_perform(h) != CURLE_OK) return result;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.ok = true;
    result.body = std::move(transfer.body);
    return result;
}

void setThreadEventPump(EventPump pump) { t_eventPump = std::move(pump); }

void runThreadEventPump() {
    if (t_eventPump) t_eventPump();
}

}  // namespace shelfwatch::net

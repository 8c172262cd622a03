// Process-wide cookie state, in one named place: the HTTP layer's cookies (set by
// responses and replayed on later requests by every fetch on every thread) and
// the shared cookie text sent on the "cookie:" line, which `setLocalCookie` fills
// from the user's browser. Both are safe to use from several threads at once.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace shelfwatch::net {

class CookieJar {
public:
    CookieJar();
    ~CookieJar();
    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;

    std::string localCookieText() const;
    void setLocalCookieText(std::string text);

    // The libcurl share handle (CURLSH*) that carries the response cookies.
    void* shareHandle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Where the user's browser cookies are read from.
struct BrowserCookieSource {
    std::string rootDomain = "taobao.com";
    std::filesystem::path firefoxProfilesDir;  // empty: ~/.mozilla/firefox
    std::filesystem::path cookieFile;          // Netscape format, used when Firefox has none
};

// Reads "name=value; ..." as the browser would send it with a plain-HTTP request
// for "http://<root domain>/": the root's own cookies and domain cookies that
// cover it, with the path "/", unexpired, none of them Secure. Subdomains keep
// their host-only cookies. The default Firefox profile's cookies.sqlite is read
// first, else the cookie file; empty when neither gives any.
// Like the browser call it stands for, a result over 2048 bytes gives "".
std::string readBrowserCookies(const BrowserCookieSource& source);

// enabled: the shared cookie text becomes the browser's cookies; else empty.
void setLocalCookie(CookieJar& jar, bool enabled, const BrowserCookieSource& source);

}  // namespace shelfwatch::net

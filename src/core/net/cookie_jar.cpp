#include "net/cookie_jar.h"

#include "config/ini_file.h"
#include "net/curl_global.h"
#include "text/gbk_text.h"

#include <curl/curl.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

namespace shelfwatch::net {

namespace {

// Like the browser call the local cookie stands for: the string and its
// terminating NUL must fit into this many bytes, else the result is empty.
constexpr std::size_t kCookieBufferBytes = 2048;

}  // namespace

struct CookieJar::Impl {
    CURLSH* share = nullptr;
    // One mutex per kind of shared data, as libcurl asks: cookie and DNS
    // accesses from different handles may then proceed independently.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    mutable std::mutex textMutex;
    std::string text;

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Impl*>(user)->locks.at(static_cast<std::size_t>(data)).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Impl*>(user)->locks.at(static_cast<std::size_t>(data)).unlock();
    }
};

CookieJar::CookieJar() : m_impl(std::make_unique<Impl>()) {
    ensureCurlGlobalInit();
    m_impl->share = curl_share_init();
    if (m_impl->share) {
        curl_share_setopt(m_impl->share, CURLSHOPT_LOCKFUNC, &Impl::lock);
        curl_share_setopt(m_impl->share, CURLSHOPT_UNLOCKFUNC, &Impl::unlock);
        curl_share_setopt(m_impl->share, CURLSHOPT_USERDATA, m_impl.get());
        curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
}

CookieJar::~CookieJar() {
    // Fetchers detach from the share after every transfer, so nothing uses it now.
    if (m_impl->share) curl_share_cleanup(m_impl->share);
}

std::string CookieJar::localCookieText() const {
    std::lock_guard<std::mutex> guard(m_impl->textMutex);
    return m_impl->text;
}

void CookieJar::setLocalCookieText(std::string text) {
    std::lock_guard<std::mutex> guard(m_impl->textMutex);
    m_impl->text = std::move(text);
}

void* CookieJar::shareHandle() const { return m_impl->share; }

namespace {

struct BrowserCookie {
    std::string name;
    std::string value;
};

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string withoutLeadingDots(std::string s) {
    while (!s.empty() && s.front() == '.') s.erase(0, 1);
    return s;
}

// Whether a browser would send a stored cookie to "http://<root domain>/": a
// host-only cookie of that very host, or a domain cookie of it or of a domain
// above it; a path that covers "/"; never a Secure cookie, as the request is
// plain HTTP. Cookies of subdomains stay with them.
bool sentToRootPage(const std::string& domain, bool domainCookie, const std::string& path, bool secure,
                    const std::string& rootDomain) {
    if (secure) return false;
    if (!path.empty() && path != "/") return false;
    const std::string root = withoutLeadingDots(lowerAscii(rootDomain));
    const std::string host = withoutLeadingDots(lowerAscii(domain));
    if (root.empty() || host.empty()) return false;
    if (host == root) return true;
    return domainCookie && root.size() > host.size() &&
           root.compare(root.size() - host.size(), host.size(), host) == 0 &&
           root[root.size() - host.size() - 1] == '.';
}

std::filesystem::path pathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

std::int64_t nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string joinCookies(const std::vector<BrowserCookie>& cookies) {
    std::string out;
    for (const BrowserCookie& c : cookies) {
        if (c.name.empty() && c.value.empty()) continue;
        if (!out.empty()) out += "; ";
        out += c.name.empty() ? c.value : c.name + "=" + c.value;
    }
    return out;
}

// Firefox's profiles.ini: the profile an installation marks as its default
// ([Install...] Default=), else the profile with Default=1, else the first.
std::filesystem::path defaultFirefoxProfile(const std::filesystem::path& profilesDir) {
    const std::filesystem::path ini = profilesDir / "profiles.ini";
    std::error_code ec;
    if (!std::filesystem::exists(ini, ec)) return {};
    auto resolve = [&](const std::string& path, bool relative) {
        std::filesystem::path p = pathFromUtf8(path);
        return relative ? profilesDir / p : p;
    };
    const std::vector<std::string> sections = config::iniSectionNames(ini);
    for (const std::string& s : sections) {
        if (lowerAscii(s).rfind("install", 0) != 0) continue;
        const std::string path = config::iniRead(ini, s, "Default", "");
        if (!path.empty()) {
            std::filesystem::path p = pathFromUtf8(path);
            return p.is_absolute() ? p : profilesDir / p;
        }
    }
    std::filesystem::path first;
    for (const std::string& s : sections) {
        if (lowerAscii(s).rfind("profile", 0) != 0) continue;
        const std::string path = config::iniRead(ini, s, "Path", "");
        if (path.empty()) continue;
        const bool relative = config::iniRead(ini, s, "IsRelative", "1") != "0";
        if (config::iniRead(ini, s, "Default", "") == "1") return resolve(path, relative);
        if (first.empty()) first = resolve(path, relative);
    }
    return first;
}

std::filesystem::path uniqueTempDir() {
    std::random_device rd;
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::ostringstream name;
        name << "shelfwatch-cookies-" << std::hex << rd() << rd();
        std::filesystem::path dir = base / name.str();
        if (std::filesystem::create_directory(dir, ec)) return dir;
    }
    return {};
}

// Firefox keeps cookies.sqlite open and locked; a copy (with its write-ahead
// log, which holds the latest changes) can be read at leisure.
bool readFirefoxCookies(const std::filesystem::path& profile, const std::string& rootDomain,
                        std::vector<BrowserCookie>& out) {
    std::error_code ec;
    const std::filesystem::path db = profile / "cookies.sqlite";
    if (!std::filesystem::is_regular_file(db, ec)) return false;
    const std::filesystem::path dir = uniqueTempDir();
    if (dir.empty()) return false;
    const std::filesystem::path copy = dir / "cookies.sqlite";
    bool ok = std::filesystem::copy_file(db, copy, ec);
    if (ok) {
        const std::filesystem::path wal = profile / "cookies.sqlite-wal";
        if (std::filesystem::is_regular_file(wal, ec))
            std::filesystem::copy_file(wal, dir / "cookies.sqlite-wal", ec);
    }
    if (ok) {
        sqlite3* handle = nullptr;
        const std::string name = utf8FromPath(copy);
        if (sqlite3_open_v2(name.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            const char* sql =
                "SELECT name, value, host, path, expiry, isSecure FROM moz_cookies "
                "ORDER BY length(path) DESC, creationTime, id";
            if (sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr) == SQLITE_OK) {
                const std::int64_t now = nowSeconds();
                while (sqlite3_step(stmt) == SQLITE_ROW) {
                    auto column = [&](int i) {
                        const unsigned char* t = sqlite3_column_text(stmt, i);
                        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
                    };
                    std::int64_t expiry = sqlite3_column_int64(stmt, 4);
                    // Newer Firefox versions store the expiry in milliseconds.
                    if (expiry > 100000000000LL) expiry /= 1000;
                    if (expiry != 0 && expiry < now) continue;
                    // Firefox marks a domain cookie by a leading dot on its host.
                    const std::string host = column(2);
                    const bool domainCookie = !host.empty() && host.front() == '.';
                    if (!sentToRootPage(host, domainCookie, column(3), sqlite3_column_int(stmt, 5) != 0,
                                        rootDomain))
                        continue;
                    out.push_back({column(0), column(1)});
                }
            } else {
                ok = false;
            }
            sqlite3_finalize(stmt);
        } else {
            ok = false;
        }
        sqlite3_close(handle);
    }
    std::filesystem::remove_all(dir, ec);
    return ok;
}

// The Netscape cookie file (curl, wget and browser export tools write it):
// domain, subdomain flag, path, secure, expiry, name, value, tab-separated.
void readNetscapeCookies(const std::filesystem::path& file, const std::string& rootDomain,
                         std::vector<BrowserCookie>& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    const std::int64_t now = nowSeconds();
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        static const std::string kHttpOnly = "#HttpOnly_";
        if (line.rfind(kHttpOnly, 0) == 0)
            line.erase(0, kHttpOnly.size());
        else if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        if (fields.size() < 7) continue;
        const std::int64_t expiry = text::toInt64(fields[4]);
        if (expiry != 0 && expiry < now) continue;
        // The second field says whether subdomains share the cookie; a leading
        // dot means the same to most tools that write the file.
        const bool domainCookie =
            lowerAscii(fields[1]) == "true" || (!fields[0].empty() && fields[0].front() == '.');
        if (!sentToRootPage(fields[0], domainCookie, fields[2], lowerAscii(fields[3]) == "true", rootDomain))
            continue;
        out.push_back({fields[5], fields[6]});
    }
}

}  // namespace

std::string readBrowserCookies(const BrowserCookieSource& source) {
    std::vector<BrowserCookie> cookies;
    std::filesystem::path profilesDir = source.firefoxProfilesDir;
    if (profilesDir.empty()) {
#ifdef _WIN32
        if (const char* appData = std::getenv("APPDATA"))
            profilesDir = std::filesystem::path(appData) / "Mozilla" / "Firefox";
#else
        if (const char* home = std::getenv("HOME"))
            profilesDir = std::filesystem::path(home) / ".mozilla" / "firefox";
#endif
    }
    if (!profilesDir.empty()) {
        const std::filesystem::path profile = defaultFirefoxProfile(profilesDir);
        if (!profile.empty()) readFirefoxCookies(profile, source.rootDomain, cookies);
    }
    if (cookies.empty() && !source.cookieFile.empty())
        readNetscapeCookies(source.cookieFile, source.rootDomain, cookies);
    std::string joined = joinCookies(cookies);
    if (joined.size() + 1 > kCookieBufferBytes) return {};
    return joined;
}

void setLocalCookie(CookieJar& jar, bool enabled, const BrowserCookieSource& source) {
    jar.setLocalCookieText(enabled ? text::trim(readBrowserCookies(source)) : std::string());
}

}  // namespace shelfwatch::net

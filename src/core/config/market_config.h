// Where the marketplace lives: host names (each "name" or "name:port") and the
// markers derived from them, read from market.ini in the data directory (section
// `hosts`, plus `net`/cookieFile). Missing keys take the real marketplace's
// values, so an empty data directory talks to the real site; the simulator and
// the tests write their own market.ini. Immutable once loaded; share freely.
#pragma once

#include <filesystem>
#include <string>

namespace shelfwatch::config {

struct MarketConfig {
    std::string homeHost = "www.taobao.com";   // home page, for the spm value
    std::string searchHost = "s.taobao.com";   // "/search" pages
    std::string listHost = "list.taobao.com";  // "/itemlist/default.htm" service
    std::string itemHost = "item.taobao.com";  // item host of the prompt example
    std::string mallDomain = "tmall.com";      // in the mall title suffix and page marker
    std::string helpHost = "www.taobao.com";   // host of the registration guide page
    std::string cookieDomain = "taobao.com";   // root domain for browser cookies
    std::string publisherHost;                 // notice/sponsor pages; empty: bundled page
    std::filesystem::path cookieFile;          // Netscape cookie file for the local cookie

    // Derived markers (GBK): "-" + mall + "天猫", mall + "天猫</title>",
    // "\"http://" + help + "/register/guide.htm".
    std::string mallTitleSuffix() const;
    std::string mallPageMarker() const;
    std::string guidePageMarker() const;

    std::string homeUrl() const { return "http://" + homeHost + "/"; }

    static MarketConfig load(const std::filesystem::path& dataDir);
    // Writes every key (used by the simulator and tests).
    bool save(const std::filesystem::path& dataDir) const;
};

}  // namespace shelfwatch::config

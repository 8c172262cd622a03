#include "config/market_config.h"

#include "config/ini_file.h"
#include "text/gbk_text.h"

namespace shelfwatch::config {

namespace {

const char kFileName[] = "market.ini";

// Paths are GBK text in the file, like every other value; the file system
// wants them in its own encoding.
std::filesystem::path pathFromGbk(const std::string& gbkText) {
    const std::string utf8 = text::gbkToUtf8(gbkText);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string gbkFromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return text::utf8ToGbk(std::string(utf8.begin(), utf8.end()));
}

}  // namespace

std::string MarketConfig::mallTitleSuffix() const {
    static const std::string kMallName = text::gbk("天猫");
    return "-" + mallDomain + kMallName;
}

std::string MarketConfig::mallPageMarker() const {
    static const std::string kTail = text::gbk("天猫</title>");
    return mallDomain + kTail;
}

std::string MarketConfig::guidePageMarker() const { return "\"http://" + helpHost + "/register/guide.htm"; }

MarketConfig MarketConfig::load(const std::filesystem::path& dataDir) {
    const std::filesystem::path file = dataDir / kFileName;
    MarketConfig config;
    // An empty host names nothing, so it keeps the default; only the
    // publisher may be empty (the bundled page is shown then).
    auto host = [&](const char* key, std::string& field) {
        const std::string value = iniRead(file, "hosts", key, field);
        if (!value.empty()) field = value;
    };
    host("home", config.homeHost);
    host("search", config.searchHost);
    host("list", config.listHost);
    host("item", config.itemHost);
    host("mall", config.mallDomain);
    host("help", config.helpHost);
    host("cookie", config.cookieDomain);
    config.publisherHost = iniRead(file, "hosts", "publisher", config.publisherHost);
    const std::string cookieFile = iniRead(file, "net", "cookieFile", "");
    if (!cookieFile.empty()) {
        std::filesystem::path p = pathFromGbk(cookieFile);
        config.cookieFile = p.is_absolute() ? p : dataDir / p;
    }
    return config;
}

bool MarketConfig::save(const std::filesystem::path& dataDir) const {
    const std::filesystem::path file = dataDir / kFileName;
    bool ok = iniWrite(file, "hosts", "home", homeHost);
    ok = iniWrite(file, "hosts", "search", searchHost) && ok;
    ok = iniWrite(file, "hosts", "list", listHost) && ok;
    ok = iniWrite(file, "hosts", "item", itemHost) && ok;
    ok = iniWrite(file, "hosts", "mall", mallDomain) && ok;
    ok = iniWrite(file, "hosts", "help", helpHost) && ok;
    ok = iniWrite(file, "hosts", "cookie", cookieDomain) && ok;
    ok = iniWrite(file, "hosts", "publisher", publisherHost) && ok;
    ok = iniWrite(file, "net", "cookieFile", gbkFromPath(cookieFile)) && ok;
    return ok;
}

}  // namespace shelfwatch::config

// Any bytes as the Netscape cookie file the local cookie falls back to (no
// Firefox profile is found): the cookie text is bounded as the browser call was.
#include "net/cookie_jar.h"

#include "fuzz_support.h"

namespace net = shelfwatch::net;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path noProfiles = [] {
        std::filesystem::path p = fuzz::scratchDir() / "no-firefox";
        std::filesystem::create_directories(p);
        return p;
    }();
    net::BrowserCookieSource source;
    source.firefoxProfilesDir = noProfiles;
    source.cookieFile = fuzz::scratchFile("cookies.txt", fuzz::bytes(data, size));
    const std::string cookies = net::readBrowserCookies(source);
    fuzz::check(cookies.size() <= 2048);
    return 0;
}

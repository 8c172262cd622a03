// Address splitting (the fetcher's) and command-line splitting over any bytes.
#include "config/command_line.h"
#include "net/page_fetcher.h"

#include "fuzz_support.h"

#include <algorithm>

namespace config = shelfwatch::config;
namespace net = shelfwatch::net;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytes(data, size);

    const net::UrlParts url = net::splitUrl(text);
    fuzz::check(std::none_of(url.host.begin(), url.host.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
    fuzz::check(url.host.size() + url.path.size() <= size + 1);

    std::size_t total = 0;
    for (const std::string& arg : config::splitCommandLine(text)) total += arg.size();
    fuzz::check(total <= size);
    return 0;
}

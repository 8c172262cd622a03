// fetch: the page body exactly as the program's fetcher gets it, for telling
// why a page stopped parsing.
#include "cli/cli_command.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace shelfwatch::cli {

int runFetchCommand(CliContext& context, const std::vector<std::string>& args) {
    std::string url;
    std::string referrer;
    bool haveUrl = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--referrer") {
            if (i + 1 >= args.size()) {
                std::cerr << usageText();
                return kExitUsage;
            }
            referrer = args[++i];
        } else if (arg.rfind("--referrer=", 0) == 0) {
            referrer = arg.substr(11);
        } else if (!haveUrl && (arg.empty() || arg.front() != '-')) {
            url = arg;
            haveUrl = true;
        } else {
            std::cerr << usageText();
            return kExitUsage;
        }
    }
    if (!haveUrl || url.empty()) {
        std::cerr << usageText();
        return kExitUsage;
    }
    const std::string body = context.app.fetcher.fetchPage(url, referrer);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // The bytes as they came (GBK pages stay GBK), nothing added.
    std::fwrite(body.data(), 1, body.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace shelfwatch::cli

// fetch: the page body exactly as the program's fetcher gets it, for telling
// why a page stopped parsing.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace shelfwatch::cli {
namespace {

struct FetchOptions {
    std::string url;
    std::string referrer;
};

int runFetch(CliContext& context, const CLI::App& command, const FetchOptions& options) {
    if (options.url.empty()) return usageError(command, "URL must not be empty");
    const std::string body = context.app.fetcher.fetchPage(options.url, options.referrer);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // The bytes as they came (GBK pages stay GBK), nothing added.
    std::fwrite(body.data(), 1, body.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFile;
}

}  // namespace

void registerFetchCommand(Commands& commands) {
    auto options = std::make_shared<FetchOptions>();
    CLI::App& command = commands.add(
        "fetch", "write a page's body to standard output as the program fetches it",
        "shelfwatch-cli fetch 'https://item.taobao.com/item.htm?id=1' > page.html",
        [options](CliContext& context, const CLI::App& self) { return runFetch(context, self, *options); });
    command.add_option("URL", options->url, "the page's address")->required();
    command.add_option("--referrer", options->referrer, "send this Referer header")->type_name("URL");
}

}  // namespace shelfwatch::cli

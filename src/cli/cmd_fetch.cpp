// fetch: the page body exactly as the program's fetcher gets it, for telling
// why a page stopped parsing.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/walk_command.h"

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
    const net::FetchFailure failure = net::lastFetchFailure();
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // The bytes as they came (GBK pages stay GBK), nothing added.
    const bool written = std::fwrite(body.data(), 1, body.size(), stdout) == body.size();
    if (std::fflush(stdout) != 0 || !written) {
        std::fputs("shelfwatch-cli: cannot write to standard output\n", stderr);
        return kExitFile;
    }
    // What did arrive (an error page's body, the part before a cut) is written
    // all the same; the exit code says it is not the whole page.
    if (failure.failed()) {
        std::fprintf(stderr, "shelfwatch-cli: the page could not be fetched: %s\n",
                     describeFailure(failure).c_str());
        return kExitUnreachable;
    }
    return kExitOk;
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

// shelfwatch-cli: the headless front end over the core.
#include "app/app_context.h"
#include "app/data_dir.h"
#include "app/headless_panel.h"
#include "app/market_config.h"
#include "cli/cli_command.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/fetch_state.h"
#include "table/result_table.h"

#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace shelfwatch;

using Command = int (*)(cli::CliContext&, const std::vector<std::string>&);

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"fetch", &cli::runFetchCommand},
        {"item", &cli::runItemCommand},
        {"search", &cli::runSearchCommand},
        {"listpage", &cli::runListPageCommand},
        {"stats", &cli::runStatsCommand},
    };
    return table;
}

int usage() {
    std::cerr << cli::usageText();
    return cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);

    std::optional<std::filesystem::path> dataDirOption = app::takeDataDirOption(args);
    std::optional<std::string> nowText;
    for (auto it = args.begin(); it != args.end();) {
        if (*it == "--version") {
            std::cout << "shelfwatch-cli " << SHELFWATCH_VERSION << "\n";
            return cli::kExitOk;
        }
        if (*it == "--now" || it->rfind("--now=", 0) == 0) {
            if (*it == "--now") {
                if (it + 1 == args.end()) return usage();
                nowText = *(it + 1);
                it = args.erase(it, it + 2);
            } else {
                nowText = it->substr(6);
                it = args.erase(it);
            }
            continue;
        }
        ++it;
    }
    if (args.empty()) return usage();
    auto command = commands().find(args.front());
    if (command == commands().end()) return usage();
    args.erase(args.begin());

    std::unique_ptr<item::Clock> clock;
    if (nowText) {
        item::DateTime pinned;
        if (!item::parseIsoDateTime(*nowText, pinned)) {
            std::cerr << "shelfwatch-cli: --now wants \"YYYY-MM-DD HH:MM:SS\"\n";
            return cli::kExitUsage;
        }
        clock = std::make_unique<item::FixedClock>(pinned);
    } else {
        clock = std::make_unique<item::ChinaSystemClock>();
    }

    const std::filesystem::path dataDir = app::resolveDataDir(dataDirOption);
    const app::MarketConfig market = app::MarketConfig::load(dataDir);
    net::CookieJar cookies;
    net::CurlFetcher fetcher(cookies);
    table::ResultTable results;
    app::HeadlessPanel panel;
    search::FetchState fetchState;
    app::AppContext context{results, panel, fetcher, cookies, market, *clock, fetchState, dataDir};
    cli::CliContext cliContext{context, nowText.has_value()};
    return command->second(cliContext, args);
}

// shelfwatch-cli: the headless front end over the core.
#include "app/app_context.h"
#include "app/data_dir.h"
#include "app/headless_panel.h"
#include "app/market_config.h"
#include "item/listing_time.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "search/fetch_state.h"
#include "table/result_table.h"

#include "cli/command.h"
#include "cli/exit_codes.h"
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace shelfwatch::cli {

std::string exitCodesHelp() {
    return "  0    success\n"
           "  1    failure\n"
           "  2    usage error (the command line is wrong)\n"
           "  3    the item is removed or a guide page\n"
           "  4    the marketplace could not be reached\n"
           "  5    a file could not be read or written\n"
           "  130  interrupted\n";
}

CLI::App& Commands::add(const std::string& name, const std::string& description, const std::string& example,
                        CommandRun run) {
    CLI::App* app = m_root.add_subcommand(name, description);
    std::string footer = "Example:\n";
    std::size_t start = 0;
    while (start < example.size()) {
        std::size_t end = example.find('\n', start);
        if (end == std::string::npos) end = example.size();
        footer += "  " + example.substr(start, end - start) + "\n";
        start = end + 1;
    }
    app->footer(footer);
    m_entries.push_back({app, std::move(run)});
    return *app;
}

bool Commands::hasChosen() const {
    for (const Entry& entry : m_entries) {
        if (entry.app->parsed()) return true;
    }
    return false;
}

int Commands::runChosen(CliContext& context) const {
    for (const Entry& entry : m_entries) {
        if (entry.app->parsed()) return entry.run(context, *entry.app);
    }
    return kExitUsage;
}

}  // namespace shelfwatch::cli

namespace {

using namespace shelfwatch;

// Every command of the program; a new one adds its line here.
constexpr void (*kRegistrations[])(cli::Commands&) = {
    &cli::registerSearchCommand, &cli::registerListPageCommand, &cli::registerItemCommand,
    &cli::registerStatsCommand,  &cli::registerFetchCommand,
};

struct GlobalOptions {
    std::optional<std::string> dataDir;
    std::optional<item::DateTime> now;
    bool quiet = false;
};

void addGlobalOptions(CLI::App& root, GlobalOptions& options) {
    root.set_help_flag("-h,--help", "print this help (or a command's) and exit");
    root.set_version_flag("--version", std::string("shelfwatch-cli ") + SHELFWATCH_VERSION,
                          "print the version and exit");
    root.add_option_function<std::string>(
            "--data-dir", [&options](const std::string& dir) { options.dataDir = dir; },
            "the folder of market.ini and the settings (default: beside the program when writable, "
            "else the per-user data folder)")
        ->type_name("DIR")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    root.add_option_function<std::string>(
            "--now",
            [&options](const std::string& text) {
                item::DateTime pinned;
                if (!item::parseIsoDateTime(text, pinned)) {
                    throw CLI::ValidationError("--now",
                                               "wants \"YYYY-MM-DD HH:MM:SS\", not \"" + text + "\"");
                }
                options.now = pinned;
            },
            "take this China time as now instead of the clock")
        ->type_name("\"YYYY-MM-DD HH:MM:SS\"")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    root.add_flag("-q,--quiet", options.quiet, "print no progress or status lines");
}

// The command named by the failed command line, for the hint.
std::string helpHint(const CLI::App& root) {
    std::string command;
    const std::vector<CLI::App*> chosen = root.get_subcommands();
    if (!chosen.empty()) command = " " + chosen.front()->get_name();
    return "Run 'shelfwatch-cli" + command + " --help' for more information.";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App root("Finds when Taobao and Tmall listings start and end, from a terminal or a script.",
                  "shelfwatch-cli");
    // Global options may also follow the command ("search X --now ...").
    root.fallthrough();
    root.require_subcommand(1);
    GlobalOptions global;
    addGlobalOptions(root, global);
    cli::Commands commands(root);
    for (auto registration : kRegistrations) registration(commands);
    root.footer(
        "Run 'shelfwatch-cli COMMAND --help' for a command's options and an example.\n\nExit codes:\n" +
        cli::exitCodesHelp());

    try {
        root.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return root.exit(e, std::cout, std::cerr);
    } catch (const CLI::CallForVersion& e) {
        return root.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        std::string message = e.what();
        // Without a command, a leftover word is a mistyped command, which says more
        // than "a subcommand is required".
        const std::vector<std::string> leftover = root.remaining();
        if (root.get_subcommands().empty() && !leftover.empty() && leftover.front().rfind("-", 0) != 0) {
            message = "unknown command '" + leftover.front() + "'";
        }
        std::cerr << "shelfwatch-cli: " << message << "\n" << helpHint(root) << "\n";
        return cli::kExitUsage;
    }
    if (!commands.hasChosen()) {
        std::cerr << "shelfwatch-cli: no command given\n" << helpHint(root) << "\n";
        return cli::kExitUsage;
    }

    std::unique_ptr<item::Clock> clock;
    if (global.now) {
        clock = std::make_unique<item::FixedClock>(*global.now);
    } else {
        clock = std::make_unique<item::ChinaSystemClock>();
    }
    std::optional<std::filesystem::path> dataDirOption;
    if (global.dataDir) dataDirOption = std::filesystem::path(*global.dataDir);
    const std::filesystem::path dataDir = app::resolveDataDir(dataDirOption);
    const app::MarketConfig market = app::MarketConfig::load(dataDir);
    net::CookieJar cookies;
    net::CurlFetcher fetcher(cookies);
    table::ResultTable results;
    app::HeadlessPanel panel;
    search::FetchState fetchState;
    app::AppContext context{results, panel, fetcher, cookies, market, *clock, fetchState, dataDir};
    cli::CliContext cliContext{context, global.now.has_value(), global.quiet};
    return commands.runChosen(cliContext);
}

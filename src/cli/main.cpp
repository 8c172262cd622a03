// shelfwatch-cli: the headless front end over the core.
#include "app/app.h"
#include "config/data_dir.h"
#include "panel/headless_panel.h"
#include "item/listing_time.h"

#include "cli/command.h"
#include "cli/exit_codes.h"
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace {

using namespace shelfwatch;

// Every command of the program; a new one adds its line here.
constexpr void (*kRegistrations[])(cli::Commands&) = {
    &cli::registerSearchCommand, &cli::registerListPageCommand, &cli::registerItemCommand,
    &cli::registerStatsCommand,  &cli::registerFetchCommand, &cli::registerCollectCommand,
    &cli::registerStoreCommand,  &cli::registerCategoryCommand, &cli::registerCategoriesCommand,
    &cli::registerHistoryCommand, &cli::registerDiffCommand,
    &cli::registerTaskCommand,
};

struct GlobalOptions {
    std::optional<std::string> dataDir;
    std::optional<item::DateTime> now;
    bool quiet = false;
    bool noHistory = false;
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
    root.add_flag("--no-history", options.noHistory,
                  "do not record this walk in the history (configs.ini [history] keep=0 stops it for good)");
}

// The command named by the failed command line, for the hint.
std::string helpHint(const CLI::App& root) {
    std::string command;
    const std::vector<CLI::App*> chosen = root.get_subcommands();
    if (!chosen.empty()) command = " " + chosen.front()->get_name();
    return "Run 'shelfwatch-cli" + command + " --help' for more information.";
}

// The parser lists leftovers in its own order; the user wants the first one
// as typed.
std::string unexpectedArgumentMessage(const CLI::App& root, int argc, char** argv,
                                      const std::string& fallback) {
    const std::vector<std::string> leftover = root.remaining(true);
    for (int i = 1; i < argc; ++i) {
        if (std::find(leftover.begin(), leftover.end(), argv[i]) == leftover.end()) continue;
        std::string message = "unexpected argument '" + std::string(argv[i]) + "'";
        if (leftover.size() > 1) message += " (and " + std::to_string(leftover.size() - 1) + " more)";
        return message;
    }
    return fallback;
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
        } else if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) {
            message = unexpectedArgumentMessage(root, argc, argv, message);
        }
        std::cerr << "shelfwatch-cli: " << message << "\n" << helpHint(root) << "\n";
        return cli::kExitUsage;
    }
    if (!commands.hasChosen()) {
        std::cerr << "shelfwatch-cli: no command given\n" << helpHint(root) << "\n";
        return cli::kExitUsage;
    }

    app::AppOptions options;
    if (global.now) options.clock = std::make_unique<item::FixedClock>(*global.now);
    std::optional<std::filesystem::path> dataDirOption;
    if (global.dataDir) {
        dataDirOption = std::filesystem::path(*global.dataDir);
        // A mistyped folder would otherwise be made silently and the run would
        // talk to the marketplace's real hosts instead of the ones meant.
        std::error_code ec;
        if (!std::filesystem::exists(*dataDirOption, ec)) {
            std::cerr << "shelfwatch-cli: warning: the data folder " << *global.dataDir
                      << " does not exist; it is made now, without a market.ini\n";
        } else if (!std::filesystem::exists(*dataDirOption / "market.ini", ec)) {
            std::cerr << "shelfwatch-cli: warning: the data folder " << *global.dataDir
                      << " has no market.ini; the marketplace's own hosts are used\n";
        }
    }
    options.dataDir = config::resolveDataDir(dataDirOption);

    panel::HeadlessPanel panel;
    app::App program(std::move(options));
    app::PanelBinding binding(program, panel);
    search::WalkContext& context = binding.context();
    cli::CliContext cliContext{context, global.quiet, global.noHistory};
    return commands.runChosen(cliContext);
}

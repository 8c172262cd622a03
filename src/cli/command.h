// How shelfwatch-cli's commands plug into the parser. Each command lives in its
// own cmd_*.cpp with one registration function that declares its options on a
// CLI11 subcommand and hands over what runs once the whole command line has been
// read; main() lists the registration functions and owns everything else (the
// global options, help, errors, the program's object graph).
#pragma once

#include "search/walk_context.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace shelfwatch::cli {

// What a command runs against: the program's objects and the global options.
struct CliContext {
    search::WalkContext& app;
    bool quiet = false;      // --quiet: no progress or status lines
    bool noHistory = false;  // --no-history: this run is not recorded
};

// Runs the command (`command` is its own subcommand, for usage errors found
// after parsing); the result is the process's exit code (exit_codes.h).
using CommandRun = std::function<int(CliContext& context, const CLI::App& command)>;

class Commands {
  public:
    explicit Commands(CLI::App& root) : m_root(root) {}

    // A new subcommand. `description` is its one line in the command list;
    // `example` is one or more complete command lines shown under its help.
    // Options bound to the subcommand must outlive the parse: keep them in
    // state the `run` function owns (a shared_ptr it captures).
    CLI::App& add(const std::string& name, const std::string& description, const std::string& example,
                  CommandRun run);

    // Whether the parsed command line named a command, and running it.
    bool hasChosen() const;
    int runChosen(CliContext& context) const;

  private:
    struct Entry {
        CLI::App* app;
        CommandRun run;
    };
    CLI::App& m_root;
    std::vector<Entry> m_entries;
};

// One per command, each in its own file.
void registerFetchCommand(Commands& commands);
void registerItemCommand(Commands& commands);
void registerSearchCommand(Commands& commands);
void registerListPageCommand(Commands& commands);
void registerStatsCommand(Commands& commands);
void registerCollectCommand(Commands& commands);
void registerStoreCommand(Commands& commands);
void registerCategoryCommand(Commands& commands);
void registerCategoriesCommand(Commands& commands);
void registerHistoryCommand(Commands& commands);
void registerDiffCommand(Commands& commands);
void registerTaskCommand(Commands& commands);

}  // namespace shelfwatch::cli

#include "cli/command.h"

#include "cli/exit_codes.h"

#include <utility>

namespace shelfwatch::cli {

std::string exitCodesHelp() {
    const std::pair<int, const char*> codes[] = {
        {kExitOk, "success"},
        {kExitFailure, "failure"},
        {kExitUsage, "usage error (the command line is wrong)"},
        {kExitItemGone, "the item is removed or a guide page"},
        {kExitUnreachable, "the marketplace could not be reached"},
        {kExitFile, "a file could not be read or written"},
        {kExitInterrupted, "interrupted"},
    };
    std::string text;
    for (const auto& [code, meaning] : codes) {
        std::string number = std::to_string(code);
        number.resize(5, ' ');
        text += "  " + number + meaning + "\n";
    }
    return text;
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

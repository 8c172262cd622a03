// store NICK: every item of one seller from the list service, with the details
// of each item page, the table written out.
#include "cli/command.h"
#include "cli/options.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"
#include "panel/headless_panel.h"
#include "search/store_query.h"
#include "text/gbk_text.h"

#include <memory>

namespace shelfwatch::cli {
namespace {

struct StoreOptions {
    std::string nick;  // UTF-8 as given
    int pages = 1;
    TableOutput output;
};

int runStore(CliContext& context, const CLI::App& command, const StoreOptions& options) {
    auto* panel = dynamic_cast<panel::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError(command, "store needs the headless panel");
    std::string nick;
    if (!toGbk(options.nick, nick)) return usageError(command, "NICK must be GBK characters");
    if (text::trim(nick).empty()) return usageError(command, "NICK must not be blank");
    panel->setPageCountText(std::to_string(options.pages));
    {
        // The store query has no stop: Ctrl-C ends the program as usual.
        WalkProgress progress(*panel, context.quiet);
        search::runStoreQuery(context.app, nick);
    }
    return finishWalk(context, options.output, false, false);
}

}  // namespace

void registerStoreCommand(Commands& commands) {
    auto options = std::make_shared<StoreOptions>();
    CLI::App& command = commands.add(
        "store", "list every item of one seller (by nickname) with each item's details",
        "shelfwatch-cli store 小美的店 --pages 2 --out shop.csv",
        [options](CliContext& context, const CLI::App& self) { return runStore(context, self, *options); });
    command.add_option("NICK", options->nick, "the seller's nickname (blanks around it are ignored)")
        ->required();
    addWholeNumberOption(command, "--pages", options->pages, 0, kMaxPages,
                         "how many list pages of 44 items to ask for");
    addTableOutputOptions(command, options->output);
}

}  // namespace shelfwatch::cli

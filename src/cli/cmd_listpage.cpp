// listpage URL: the list-page query over a pasted result list, the table written out.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"
#include "history/history_store.h"
#include "panel/headless_panel.h"
#include "search/list_page_query.h"

#include <memory>

namespace shelfwatch::cli {
namespace {

struct ListPageOptions {
    std::string url;  // UTF-8 as given
    int pages = 1;
    TableOutput output;
};

int runListPage(CliContext& context, const CLI::App& command, const ListPageOptions& options) {
    auto* panel = dynamic_cast<panel::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError(command, "listpage needs the headless panel");
    std::string address;
    if (!toGbk(options.url, address)) return usageError(command, "the address must be GBK characters");
    if (const int unwritable = checkOutput(options.output); unwritable != kExitOk) return unwritable;

    panel->setPageCountText(std::to_string(options.pages));
    bool interrupted = false;
    {
        WalkProgress progress(*panel, context.quiet);
        StopOnInterrupt interrupt(context.app.fetchState);
        search::runListPageQuery(context.app, address);
        interrupted = interrupt.interrupted();
    }
    recordWalk(context, history::kKindListPage, address, options.pages, interrupted);
    return finishWalk(context, options.output, false, interrupted);
}

}  // namespace

void registerListPageCommand(Commands& commands) {
    auto options = std::make_shared<ListPageOptions>();
    CLI::App& command = commands.add(
        "listpage", "walk a result list's address as pasted from a browser, with every item's details",
        "shelfwatch-cli listpage 'https://s.taobao.com/list?q=%C1%AC%D2%C2%C8%B9' --pages 2 --json",
        [options](CliContext& context, const CLI::App& self) {
            return runListPage(context, self, *options);
        });
    command.add_option("URL", options->url, "the result list's address")->required();
    addWholeNumberOption(command, "--pages", options->pages, 1, kMaxPages, "how many result pages to walk");
    addTableOutputOptions(command, options->output);
}

}  // namespace shelfwatch::cli

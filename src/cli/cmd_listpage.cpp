// listpage URL: the list-page query over a pasted result list, the table written out.
#include "app/headless_panel.h"
#include "search/list_page_query.h"

#include "cli/cli_command.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"

namespace shelfwatch::cli {

int runListPageCommand(CliContext& context, const std::vector<std::string>& args) {
    WalkOptions options;
    std::string error;
    if (!parseWalkOptions(args, {"pages"}, options, error)) return usageError(error);
    if (options.positional.size() != 1) return usageError("listpage wants one address");
    auto* panel = dynamic_cast<app::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError("listpage needs the headless panel");

    std::string address;
    if (!toGbk(options.positional.front(), address)) return usageError("the address must be GBK characters");
    // The list-page query takes the page count as typed: below 1 requests no page.
    panel->setPageCountText(options.pages);
    {
        WalkProgress progress(*panel);
        StopOnInterrupt interrupt(context.app.fetchState);
        search::runListPageQuery(context.app, address);
    }
    return finishWalk(context, options.output, false);
}

}  // namespace shelfwatch::cli

// category ID: every item of one category (optionally only those matching a
// keyword) from the list service, with the details of each item page.
#include "category/category_query.h"
#include "cli/command.h"
#include "cli/options.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "text/gbk_text.h"

#include <memory>
#include <optional>

namespace shelfwatch::cli {
namespace {

struct CategoryOptions {
    std::int32_t id = 0;
    std::optional<std::string> keyword;  // UTF-8 as given, not trimmed
    int pages = 1;
    TableOutput output;
};

int runCategory(CliContext& context, const CLI::App& command, const CategoryOptions& options) {
    auto* panel = dynamic_cast<panel::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError(command, "category needs the headless panel");
    std::string part;
    if (options.keyword) {
        std::string keyword;
        if (!toGbk(*options.keyword, keyword))
            return usageError(command, "the keyword must be GBK characters");
        // The category window's own check, with its message.
        if (const auto message = category::checkCategoryQuery(1, true, keyword)) {
            return usageError(command, text::gbkToUtf8(*message));
        }
        part = category::keywordPart(keyword);
    }
    panel->setPageCountText(std::to_string(options.pages));
    {
        WalkProgress progress(*panel, context.quiet);
        if (category::runCategoryListing(context.app, options.id, part, category::kCategoryPageSize)) {
            // The window starts the fill on a thread and closes; here the table
            // is written only once it is done.
            search::fillRemainingDetails(context.app);
        }
    }
    return finishWalk(context, options.output, false, false);
}

}  // namespace

void registerCategoryCommand(Commands& commands) {
    auto options = std::make_shared<CategoryOptions>();
    CLI::App& command =
        commands.add("category", "list the items of one category (see `categories`) with each item's details",
                     "shelfwatch-cli category 50010850 --keyword 雪纺 --pages 2 --json",
                     [options](CliContext& context, const CLI::App& self) {
                         return runCategory(context, self, *options);
                     });
    command.add_option("ID", options->id, "the category id")->required();
    command.add_option("--keyword", options->keyword, "only items matching this keyword (sent as typed)")
        ->type_name("TEXT");
    addWholeNumberOption(command, "--pages", options->pages, 0, kMaxPages,
                         "how many list pages of 40 items to ask for");
    addTableOutputOptions(command, options->output);
}

}  // namespace shelfwatch::cli

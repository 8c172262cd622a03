// search KEYWORD: the keyword search with its detail fetch, the table written out.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"
#include "history/history_store.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/keyword_search.h"

#include <array>
#include <memory>
#include <optional>

namespace shelfwatch::cli {
namespace {

// The combo box items, in their order (the selection index is the position).
const std::vector<std::string> kSortItems = {"默认", "人气", "销量", "信用", "时间", "价格"};
const std::vector<std::string> kDirectionItems = {"从高到低", "从低到高"};

int indexOf(const std::vector<std::string>& items, const std::string& value) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (value == items[i]) return static_cast<int>(i);
    }
    return 0;
}

struct SearchOptions {
    std::string keyword;  // UTF-8 as given
    int pages = 1;
    std::string sort = kSortItems.front();
    std::string direction = kDirectionItems.front();
    std::string region;
    int workers = 0;  // 0: the settings' detailWorkers
    TableOutput output;
};

int runSearch(CliContext& context, const CLI::App& command, const SearchOptions& options) {
    auto* panel = dynamic_cast<panel::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError(command, "search needs the headless panel");
    std::string keyword;
    std::string region;
    if (options.keyword.empty()) return usageError(command, "KEYWORD must not be empty");
    if (!toGbk(options.keyword, keyword) || !toGbk(options.region, region)) {
        return usageError(command, "the keyword and the region must be GBK characters");
    }

    if (const int unwritable = checkOutput(options.output); unwritable != kExitOk) return unwritable;

    panel->setKeyword(keyword);
    panel->setRegion(region);
    panel->setSortIndex(indexOf(kSortItems, options.sort));
    panel->setDirectionIndex(indexOf(kDirectionItems, options.direction));
    panel->setPageCountText(std::to_string(options.pages));
    context.app.detailWorkers =
        options.workers > 0 ? options.workers : search::detailWorkersSetting(context.app.dataDir);

    const std::size_t messagesBefore = panel->messages().size();
    bool interrupted = false;
    {
        WalkProgress progress(*panel, context.quiet);
        StopOnInterrupt interrupt(context.app.fetchState);
        search::runKeywordSearch(context.app, true);
        context.app.fetchState.threads.joinAll();
        interrupted = interrupt.interrupted();
    }
    // The only message a search shows is its refusal of the detailsrp layout.
    const bool refused = panel->messages().size() > messagesBefore;
    // A refused search walked nothing, so there is no run to keep.
    if (!refused) recordWalk(context, history::kKindKeyword, keyword, options.pages, interrupted);
    return finishWalk(context, options.output, refused, interrupted);
}

}  // namespace

void registerSearchCommand(Commands& commands) {
    auto options = std::make_shared<SearchOptions>();
    CLI::App& command = commands.add(
        "search", "search a keyword and fetch every listed item's details into a table",
        "shelfwatch-cli search 连衣裙 --pages 3 --sort 销量 --out dresses.csv",
        [options](CliContext& context, const CLI::App& self) { return runSearch(context, self, *options); });
    command.add_option("KEYWORD", options->keyword, "what to search for")->required();
    addWholeNumberOption(command, "--pages", options->pages, 1, kMaxPages, "how many result pages to walk");
    command.add_option("--sort", options->sort, "sort key: 默认 人气 销量 信用 时间 价格")
        ->check(CLI::IsMember(kSortItems))
        ->capture_default_str();
    command.add_option("--direction", options->direction, "sort direction: 从高到低 从低到高")
        ->check(CLI::IsMember(kDirectionItems))
        ->capture_default_str();
    command.add_option("--region", options->region, "only sellers in this region (e.g. 杭州)")
        ->type_name("TEXT");
    addWholeNumberOption(command, "--workers", options->workers, 1, 16,
                         "items analysed at once while fetching details (default: configs.ini "
                         "[search] detailWorkers, else 1)")
        ->default_str("");
    addTableOutputOptions(command, options->output);
}

}  // namespace shelfwatch::cli

// search KEYWORD: the keyword search with its detail fetch, the table written out.
#include "app/headless_panel.h"
#include "search/detail_fetch.h"
#include "search/keyword_search.h"
#include "text/gbk_text.h"

#include "cli/cli_command.h"
#include "cli/walk_command.h"
#include "cli/walk_progress.h"

#include <array>

namespace shelfwatch::cli {

namespace {

// The combo box items, in their order (the selection index is the position).
constexpr std::array<const char*, 6> kSortItems = {"默认", "人气", "销量", "信用", "时间", "价格"};
constexpr std::array<const char*, 2> kDirectionItems = {"从高到低", "从低到高"};

template <std::size_t N>
int indexOf(const std::array<const char*, N>& items, const std::string& value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value == items[i]) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int runSearchCommand(CliContext& context, const std::vector<std::string>& args) {
    WalkOptions options;
    std::string error;
    if (!parseWalkOptions(args, {"pages", "sort", "direction", "region", "workers"}, options, error)) {
        return usageError(error);
    }
    if (options.positional.size() != 1 || options.positional.front().empty()) {
        return usageError("search wants one keyword");
    }
    auto* panel = dynamic_cast<app::HeadlessPanel*>(&context.app.panel);
    if (panel == nullptr) return usageError("search needs the headless panel");

    std::string keyword;
    std::string region;
    if (!toGbk(options.positional.front(), keyword) || !toGbk(options.region, region)) {
        return usageError("the keyword and the region must be GBK characters");
    }
    int sortIndex = 0;
    int directionIndex = 0;
    if (options.sort && (sortIndex = indexOf(kSortItems, *options.sort)) < 0) {
        return usageError("--sort wants one of 默认 人气 销量 信用 时间 价格");
    }
    if (options.direction && (directionIndex = indexOf(kDirectionItems, *options.direction)) < 0) {
        return usageError("--direction wants 从高到低 or 从低到高");
    }

    panel->setKeyword(keyword);
    panel->setRegion(region);
    panel->setSortIndex(sortIndex);
    panel->setDirectionIndex(directionIndex);
    // The start click corrects an empty or zero page count to one page.
    panel->setPageCountText(text::toInt(options.pages) == 0 ? std::string("1") : options.pages);
    context.app.detailWorkers =
        options.workers ? *options.workers : search::detailWorkersSetting(context.app.dataDir);

    const std::size_t messagesBefore = panel->messages().size();
    {
        WalkProgress progress(*panel);
        StopOnInterrupt interrupt(context.app.fetchState);
        search::runKeywordSearch(context.app, true);
        context.app.fetchState.threads.joinAll();
    }
    // The only message a search shows is its refusal of the detailsrp layout.
    const bool refused = panel->messages().size() > messagesBefore;
    return finishWalk(context, options.output, refused);
}

}  // namespace shelfwatch::cli

// categories [ID]: the categories one level below ID, as the category window
// lists them, and how many items ID holds.
#include "category/category_tree.h"
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace shelfwatch::cli {
namespace {

struct CategoriesOptions {
    std::int32_t id = 0;
    bool json = false;
};

int runCategories(CliContext& context, const CategoriesOptions& options) {
    const std::string spm = search::fetchSpm(context.app.fetcher, context.app.market);
    const category::CategoryLevel level =
        category::fetchSubLevel(context.app.fetcher, context.app.market, spm, options.id);
    if (options.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const category::CategoryEntry& entry : level.entries) {
            list.push_back({{"name", text::gbkToUtf8(entry.name)}, {"id", entry.id}});
        }
        const nlohmann::json out = {
            {"id", options.id}, {"total", text::gbkToUtf8(level.total)}, {"categories", list}};
        std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        for (const category::CategoryEntry& entry : level.entries) {
            std::cout << entry.id << "\t" << text::gbkToUtf8(entry.name) << "\n";
        }
        std::cout << text::gbkToUtf8(level.total) << "\n";
    }
    std::cout.flush();
    return std::cout ? kExitOk : kExitFile;
}

}  // namespace

void registerCategoriesCommand(Commands& commands) {
    auto options = std::make_shared<CategoriesOptions>();
    CLI::App& command = commands.add(
        "categories",
        "list the categories one level below ID (the first level without ID) and its item count",
        "shelfwatch-cli categories 16 --json",
        [options](CliContext& context, const CLI::App&) { return runCategories(context, *options); });
    command.add_option("ID", options->id, "the category id (0: the first level)")->capture_default_str();
    command.add_flag("--json", options->json, "print one JSON object instead of id<TAB>name lines");
}

}  // namespace shelfwatch::cli

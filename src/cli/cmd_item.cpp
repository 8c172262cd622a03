// item: one item page analysed, as the single item query does it. The report
// goes out as UTF-8 with one "\n" per line (the desktop text window keeps the
// CR LF pairs); --json gives the whole record for scripts.
#include "item/item_analyzer.h"
#include "item/item_report.h"
#include "item/listing_time.h"
#include "text/gbk_text.h"

#include "cli/command.h"
#include "cli/exit_codes.h"
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace shelfwatch::cli {

namespace {

std::string terminalText(const std::string& gbkText) { return text::gbkToUtf8(gbkText); }

void printJson(const std::string& url, const item::ItemDetails& d) {
    nlohmann::ordered_json out;
    out["url"] = terminalText(url);
    out["title"] = terminalText(d.title);
    out["isMall"] = d.isMall != 0;
    out["stock"] = terminalText(d.stock);
    out["sales"] = terminalText(d.sales);
    out["seller"] = terminalText(d.seller);
    out["startTime"] = terminalText(item::dateTimeText(d.startTime));
    out["endTime"] = terminalText(item::dateTimeText(d.endTime));
    out["minutesLeft"] = d.minutesLeft;
    out["message"] = terminalText(d.message);
    out["location"] = terminalText(d.location);
    out["price"] = terminalText(d.price);
    std::cout << out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void printReport(const std::string& url, const item::ItemDetails& d) {
    for (const std::string& line : item::itemReportLines(url, d)) {
        std::string utf8 = terminalText(line);
        if (utf8.size() >= 2 && utf8.compare(utf8.size() - 2, 2, "\r\n") == 0) utf8.erase(utf8.size() - 2);
        std::cout << utf8 << "\n";
    }
}

int runItem(CliContext& context, const std::string& urlUtf8, bool json) {
    // An explicitly empty address is analysed like the desktop's empty input.
    std::string url = text::utf8ToGbk(urlUtf8);
    const item::AnalyzerDeps deps{context.app.fetcher, context.app.market, context.app.clock};
    const item::ItemDetails details = item::analyzeItem(url, deps);
    if (json) {
        printJson(url, details);
        return kExitOk;
    }
    if (!details.message.empty()) {
        std::cerr << terminalText(details.message) << "\n";
        return kExitItemGone;
    }
    printReport(url, details);
    return std::cout.flush() ? kExitOk : kExitFile;
}

}  // namespace

void registerItemCommand(Commands& commands) {
    struct ItemOptions {
        std::string url;
        bool json = false;
    };
    auto options = std::make_shared<ItemOptions>();
    CLI::App& command = commands.add(
        "item", "analyse one item page: title, seller, listing times, minutes left, sales, stock",
        "shelfwatch-cli item 'https://item.taobao.com/item.htm?id=1'",
        [options](CliContext& context, const CLI::App&) {
            return runItem(context, options->url, options->json);
        });
    command.add_option("URL", options->url, "the item page's address")->required();
    command.add_flag("--json", options->json, "print the record as JSON");
}

}  // namespace shelfwatch::cli

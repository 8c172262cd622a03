// item: one item page analysed, as the single item query does it. The report
// goes out as UTF-8 with one "\n" per line (the desktop text window keeps the
// CR LF pairs); --json gives the whole record for scripts.
#include "item/item_analyzer.h"
#include "item/item_report.h"
#include "item/listing_time.h"
#include "text/gbk_text.h"

#include "cli/cli_command.h"
#include <nlohmann/json.hpp>

#include <iostream>

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

}  // namespace

int runItemCommand(CliContext& context, const std::vector<std::string>& args) {
    bool json = false;
    bool haveUrl = false;
    std::string url;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (!haveUrl && (arg.empty() || arg.front() != '-')) {
            // An explicitly empty address is analysed like the desktop's empty input.
            url = text::utf8ToGbk(arg);
            haveUrl = true;
        } else {
            std::cerr << usageText();
            return kExitUsage;
        }
    }
    if (!haveUrl) {
        std::cerr << usageText();
        return kExitUsage;
    }

    const item::AnalyzerDeps deps{context.app.fetcher, context.app.market, context.app.clock};
    const item::ItemDetails details = item::analyzeItem(url, deps);
    if (json) {
        printJson(url, details);
        return kExitOk;
    }
    if (!details.message.empty()) {
        std::cerr << terminalText(details.message) << "\n";
        return kExitFailed;
    }
    printReport(url, details);
    return std::cout.flush() ? kExitOk : kExitFailed;
}

}  // namespace shelfwatch::cli

// item: one item page analysed, as the single item query does it. The report
// goes out as UTF-8 with one "\n" per line (the desktop text window keeps the
// CR LF pairs); --json gives the typed record, shaped like a row of search --json.
#include "item/item_analyzer.h"
#include "item/item_report.h"
#include "item/listing_time.h"
#include "report/table_json.h"
#include "text/gbk_text.h"

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/walk_command.h"

#include <iostream>
#include <memory>

namespace shelfwatch::cli {

namespace {

std::string terminalText(const std::string& gbkText) { return text::gbkToUtf8(gbkText); }

void printReport(const std::string& url, const item::ItemDetails& d) {
    for (const std::string& line : item::itemReportLines(url, d)) {
        std::string utf8 = terminalText(line);
        if (utf8.size() >= 2 && utf8.compare(utf8.size() - 2, 2, "\r\n") == 0) utf8.erase(utf8.size() - 2);
        std::cout << utf8 << "\n";
    }
}

// False, said on standard error, when anything written to standard output was
// lost (a full disk, a closed pipe).
bool flushStandardOutput() {
    if (std::cout.flush()) return true;
    std::cerr << "shelfwatch-cli: cannot write to standard output\n";
    return false;
}

int runItem(CliContext& context, const std::string& urlUtf8, bool json) {
    // An explicitly empty address is analysed like the desktop's empty input.
    std::string url = text::utf8ToGbk(urlUtf8);
    const item::AnalyzerDeps deps{context.app.fetcher, context.app.market, context.app.clock};
    const item::ItemDetails details = item::analyzeItem(url, deps);
    // The record is printed either way (empty fields for a page that never
    // came), the exit code and standard error tell why it is empty.
    const bool unreachable = details.message.empty() && details.pageFailure.failed();
    if (unreachable) {
        std::cerr << "shelfwatch-cli: the item page could not be fetched: "
                  << describeFailure(details.pageFailure) << "\n";
    }
    const int fetched = unreachable ? kExitUnreachable : kExitOk;
    if (json) {
        std::cout << report::itemJson(url, details) << "\n";
        if (!flushStandardOutput()) return kExitFile;
        return details.message.empty() ? fetched : kExitItemGone;
    }
    if (!details.message.empty()) {
        std::cerr << terminalText(details.message) << "\n";
        return kExitItemGone;
    }
    printReport(url, details);
    return flushStandardOutput() ? fetched : kExitFile;
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

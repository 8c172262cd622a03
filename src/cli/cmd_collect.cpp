// collect: one item's description, row text and pictures saved under the data
// directory's collect/ folder, as the table menu's "采集商品数据" does for a row.
// The page is analysed first (as `item` does) to fill the row the files describe.
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "collect/item_collector.h"
#include "item/item_analyzer.h"
#include "panel/headless_panel.h"
#include "search/detail_fetch.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <iostream>
#include <memory>

namespace shelfwatch::cli {

namespace {

// Tells an item page that never arrived from one without a description: the
// analysis reads the item page first, so the first answer is the page itself.
class FirstAnswerProbe final : public net::Fetcher {
  public:
    explicit FirstAnswerProbe(net::Fetcher& inner) : m_inner(inner) {}
    std::string fetchPage(std::string_view url, std::string_view referrer) override {
        std::string page = m_inner.fetchPage(url, referrer);
        if (!m_seen) {
            m_seen = true;
            m_firstEmpty = page.empty();
        }
        return page;
    }
    net::Download download(std::string_view url) override { return m_inner.download(url); }
    bool firstEmpty() const { return m_firstEmpty; }

  private:
    net::Fetcher& m_inner;
    bool m_seen = false;
    bool m_firstEmpty = false;
};

int runCollect(CliContext& context, const std::string& urlUtf8) {
    std::string url = text::utf8ToGbk(urlUtf8);
    FirstAnswerProbe probe(context.app.fetcher);
    const item::AnalyzerDeps deps{probe, context.app.market, context.app.clock};
    const item::ItemDetails details = item::analyzeItem(url, deps);
    if (probe.firstEmpty()) {
        std::cerr << "the item page could not be fetched: " << urlUtf8 << "\n";
        return kExitUnreachable;
    }
    if (!details.message.empty()) {
        std::cerr << text::gbkToUtf8(details.message) << "\n";
        return kExitItemGone;
    }

    table::ResultTable rowTable;
    const int row = rowTable.appendRow();
    rowTable.setCell(row, table::kSeq, "1");
    rowTable.setCell(row, table::kUrl, url);
    for (const int column : search::kAllDetailColumns) {
        std::string cell;
        if (search::detailCellText(details, column, cell)) rowTable.setCell(row, column, std::move(cell));
    }
    rowTable.setSelectedRow(row);

    panel::HeadlessPanel quietPanel;
    collect::CollectOptions options;
    options.root = context.app.dataDir / "collect";
    options.finishPause = std::chrono::milliseconds(0);  // no progress box to leave up
    const collect::CollectResult result = collect::collectRow(rowTable, row, probe, quietPanel, options);
    if (!result.error.empty()) {
        std::cerr << result.error << "\n";
        return kExitFile;
    }
    if (!result.saved) {
        if (!context.quiet) std::cerr << "the item page names no description; nothing saved\n";
        return kExitOk;
    }
    const auto folder = result.folder.u8string();
    std::cout << std::string(folder.begin(), folder.end()) << "\n";
    if (!context.quiet) {
        std::cerr << result.pictures << " pictures saved (" << result.failedPictures
                  << " empty: download failed), " << result.skippedPictures << " skipped (not a file name)\n";
    }
    return std::cout.flush() ? kExitOk : kExitFile;
}

}  // namespace

void registerCollectCommand(Commands& commands) {
    auto url = std::make_shared<std::string>();
    CLI::App& command = commands.add(
        "collect", "save one item's description, row text and pictures under the data directory's collect/",
        "shelfwatch-cli collect 'https://item.taobao.com/item.htm?id=1'",
        [url](CliContext& context, const CLI::App&) { return runCollect(context, *url); });
    command.add_option("URL", *url, "the item page's address")->required();
}

}  // namespace shelfwatch::cli

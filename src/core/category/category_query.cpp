#include "category/category_query.h"

#include "category/category_tree.h"
#include "search/detail_fetch.h"
#include "search/search_query.h"
#include "search/store_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::category {

std::int32_t queryCategoryId(std::int32_t firstId, int secondIndex, std::int32_t secondId) {
    return secondIndex < 0 ? firstId : secondId;
}

std::string keywordPart(std::string_view keyword) {
    return "&q=" + search::percentEncode(search::toUtf8Bytes(keyword));
}

std::string categoryPageAddress(const std::string& listHost, std::int32_t id, const std::string& keywordPart,
                                const std::string& spm, int pageSize, std::int64_t offset) {
    std::string address = "http://" + listHost;
    address += "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=" + std::to_string(id);
    address += "&fromPage=adSearch&ratesumfrom=0&viewIndex=1" + keywordPart;
    address += "&fromPage=adSearch&&viewIndex=1&spm=" + spm;
    address += "&pSize=" + std::to_string(pageSize);
    address += "&data-key=s&data-value=" + std::to_string(offset);
    address += "&module=page&style=list";
    return address;
}

const std::string& enterKeywordMessage() {
    static const std::string kText = text::gbk("请输入关键词");
    return kText;
}

std::optional<std::string> checkCategoryQuery(int firstIndex, bool keywordMode, std::string_view keyword) {
    if (firstIndex < 1) return chooseFirstLevelMessage();
    if (keywordMode && text::trim(keyword).empty()) return enterKeywordMessage();
    return std::nullopt;
}

std::optional<std::string> runCategoryListing(search::WalkContext& context, std::int32_t id,
                                              const std::string& keywordPart, int pageSize,
                                              const ListingHooks& hooks) {
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;
    const panel::Control kLocked[] = {panel::Control::PageCountEdit, panel::Control::SearchButton,
                                      panel::Control::ExportButton, panel::Control::StoreButton};

    table.clear();
    const std::uint64_t generation = table.generation();
    for (panel::Control control : kLocked) panel.setEnabled(control, false);
    if (hooks.setWindowEnabled) hooks.setWindowEnabled(false);
    panel.setStatus(search::listingStatusText());
    const std::string spm = search::fetchSpm(context.fetcher, context.market);
    if (hooks.setCountText) hooks.setCountText(search::listingStatusText());
    panel.processEvents();

    const std::int64_t pages = text::toInt(panel.pageCountText());
    bool ownsTable = true;
    for (std::int64_t p = 1; p <= pages; ++p) {
        panel.processEvents();
        if (table.generation() != generation) {
            ownsTable = false;
            break;
        }
        const std::string answer = context.fetcher.fetchPage(
            categoryPageAddress(context.market.listHost, id, keywordPart, spm, pageSize, (p - 1) * pageSize),
            "");
        search::appendListServiceItems(table, generation, answer);
    }

    for (panel::Control control : kLocked) panel.setEnabled(control, true);
    panel.setStatus({});
    panel.processEvents();
    if (!ownsTable || table.generation() != generation) return std::nullopt;
    return spm;
}

void startRemainingDetails(search::WalkContext& context) {
    // The thread copies the context: a bundle of references to objects that
    // outlive the walk threads, while the bundle itself may not.
    context.fetchState.threads.start([context]() mutable { search::fillRemainingDetails(context); }, true);
}

}  // namespace shelfwatch::category

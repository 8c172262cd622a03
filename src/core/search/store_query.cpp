#include "search/store_query.h"

#include "json/script_json.h"
#include "search/detail_fetch.h"
#include "search/search_query.h"
#include "text/gbk_text.h"

namespace shelfwatch::search {

namespace {

// Steps 3 and 4 of appending an answer, on a given object: the store query keeps
// one object for all of its pages and loads each answer under the same name.
int appendItems(table::ResultTable& table, std::uint64_t generation, json::ScriptJson& json,
                std::string_view answer) {
    json.load("data", answer);
    const int n = json.getLen("data.itemList");
    int appended = 0;
    for (int i = 0; i < n; ++i) {
        if (table.generation() != generation) break;
        const std::string prefix = "data.itemList[" + std::to_string(i) + "].";
        table::ItemRecord record;
        record.title = json.getValue(prefix + "tip");
        record.url = json.getValue(prefix + "href");
        record.seller = json.getValue(prefix + "nick");
        record.sales = json.getValue(prefix + "tradeNum");
        const int row = table.appendRecord(record);
        table.setCellIf(generation, row, table::kSeq, std::to_string(row));
        ++appended;
    }
    return appended;
}

}  // namespace

const std::string& storePrompt() {
    static const std::string kText = text::gbk("请输入店主昵称");
    return kText;
}

const std::string& listingStatusText() {
    static const std::string kText = text::gbk("正在获取列表。。");
    return kText;
}

std::string toUtf8Bytes(std::string_view gbk) { return std::string(text::cutAtNul(text::gbkToUtf8(gbk))); }

int appendListServiceItems(table::ResultTable& table, std::string_view answer) {
    return appendListServiceItems(table, table.generation(), answer);
}

int appendListServiceItems(table::ResultTable& table, std::uint64_t generation, std::string_view answer) {
    if (text::trim(answer).empty()) return 0;
    json::ScriptJson json;
    return appendItems(table, generation, json, answer);
}

std::string storePageAddress(const std::string& listHost, const std::string& nick, const std::string& spm,
                             std::int64_t offset) {
    std::string address = "http://" + listHost;
    address += "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=0&nick=";
    address += percentEncode(toUtf8Bytes(nick));
    address += "&fromPage=adSearch&&viewIndex=1&spm=" + spm;
    address += "&pSize=" + std::to_string(kStorePageSize);
    address += "&data-key=s&data-value=" + std::to_string(offset);
    address += "&module=page";
    return address;
}

void onStoreButtonClicked(search::WalkContext& context) {
    const std::optional<std::string> nick = context.panel.askText(storePrompt(), "");
    if (!nick) return;
    runStoreQuery(context, text::trim(*nick));
}

void runStoreQuery(search::WalkContext& context, const std::string& nickText) {
    panel::MainPanel& panel = context.panel;
    table::ResultTable& table = context.table;
    json::ScriptJson json;

    const std::string nick = text::trim(nickText);
    if (nick.empty()) return;

    table.clear();
    const std::uint64_t generation = table.generation();
    panel.setEnabled(panel::Control::PageCountEdit, false);
    panel.setEnabled(panel::Control::SearchButton, false);
    panel.setEnabled(panel::Control::ExportButton, false);
    panel.setEnabled(panel::Control::StoreButton, false);

    const std::string spm = fetchSpm(context.fetcher, context.market);
    panel.setStatus(listingStatusText());

    const std::int64_t pages = text::toInt(panel.pageCountText());
    for (std::int64_t p = 1; p <= pages; ++p) {
        panel.processEvents();
        // A query started from the events just run has taken the table over,
        // and with it the controls.
        if (table.generation() != generation) return;
        const std::string address =
            storePageAddress(context.market.listHost, nick, spm, (p - 1) * kStorePageSize);
        const std::string answer = context.fetcher.fetchPage(address, "");
        appendItems(table, generation, json, answer);
    }

    panel.processEvents();
    if (table.generation() != generation) return;
    fillRemainingDetails(context);
}

}  // namespace shelfwatch::search

#include "category/category_tree.h"

#include "text/gbk_text.h"

namespace shelfwatch::category {

namespace {

void appendEntries(const json::ScriptJson& json, const std::string& listPath,
                   std::vector<CategoryEntry>& entries) {
    const int n = json.getLen(listPath);
    for (int i = 0; i < n; ++i) {
        const std::string prefix = listPath + "[" + std::to_string(i) + "].";
        entries.push_back({json.getValue(prefix + "name"), categoryIdOf(json.getValue(prefix + "value"))});
    }
}

}  // namespace

std::string categoryLevelAddress(const std::string& listHost, std::int32_t id, const std::string& spm) {
    return "http://" + listHost +
           "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=" + std::to_string(id) +
           "&fromPage=adSearch&ratesumfrom=0&viewIndex=1&spm=" + spm + "&pSize=1";
}

std::int32_t categoryIdOf(std::string_view value) { return text::toInt(value); }

std::vector<CategoryEntry> readCategoryList(const json::ScriptJson& json) {
    std::vector<CategoryEntry> entries;
    appendEntries(json, "data.cat.catList", entries);
    return entries;
}

std::vector<CategoryEntry> readSubLevel(const json::ScriptJson& json) {
    if (json.getValue("data.cat.hasGroup") != "1") return readCategoryList(json);
    std::vector<CategoryEntry> entries;
    const int groups = json.getLen("data.cat.catGroupList");
    for (int g = 0; g < groups; ++g) {
        appendEntries(json, "data.cat.catGroupList[" + std::to_string(g) + "].catList", entries);
    }
    return entries;
}

std::string readTotal(const json::ScriptJson& json) {
    return json.getValue("data.selectedCondition.totalNumber");
}

json::ScriptJson requestCategory(net::Fetcher& fetcher, const config::MarketConfig& market,
                                 const std::string& spm, std::int32_t id) {
    json::ScriptJson json;
    json.load("data", fetcher.fetchPage(categoryLevelAddress(market.listHost, id, spm), ""));
    return json;
}

CategoryLevel fetchFirstLevel(net::Fetcher& fetcher, const config::MarketConfig& market,
                              const std::string& spm) {
    return {readCategoryList(requestCategory(fetcher, market, spm, 0)), {}};
}

CategoryLevel fetchSubLevel(net::Fetcher& fetcher, const config::MarketConfig& market, const std::string& spm,
                            std::int32_t id) {
    const json::ScriptJson json = requestCategory(fetcher, market, spm, id);
    return {readSubLevel(json), readTotal(json)};
}

std::optional<CategoryChoice> confirmPick(const std::vector<CategoryEntry>& first, int firstIndex,
                                          const std::vector<CategoryEntry>& second, int secondIndex) {
    if (firstIndex < 1 || firstIndex > static_cast<int>(first.size())) return std::nullopt;
    if (secondIndex >= 1 && secondIndex <= static_cast<int>(second.size())) {
        const CategoryEntry& entry = second[static_cast<std::size_t>(secondIndex - 1)];
        return CategoryChoice{entry.name, entry.id};
    }
    const CategoryEntry& entry = first[static_cast<std::size_t>(firstIndex - 1)];
    return CategoryChoice{entry.name, entry.id};
}

const std::string& firstLevelPlaceholder() {
    static const std::string kText = text::gbk("请选择一级分类");
    return kText;
}

const std::string& secondLevelBeforeChoice() {
    static const std::string kText = text::gbk("请先选择一级分类");
    return kText;
}

const std::string& secondLevelPlaceholder() {
    static const std::string kText = text::gbk("请选择二级分类");
    return kText;
}

const std::string& loadingFirstLevelText() {
    static const std::string kText = text::gbk("正在获取主类目请稍后。。");
    return kText;
}

const std::string& loadingSubLevelText() {
    static const std::string kText = text::gbk("正在获取子类目请稍后。。");
    return kText;
}

const std::string& loadingCategoryText() {
    static const std::string kText = text::gbk("正在获取类目信息。。");
    return kText;
}

std::string itemCountText(const std::string& total) {
    static const std::string kPrefix = text::gbk("该分类下有商品");
    return kPrefix + total;
}

const std::string& chooseFirstLevelMessage() {
    static const std::string kText = text::gbk("请选择一级分类。");
    return kText;
}

}  // namespace shelfwatch::category

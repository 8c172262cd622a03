// The marketplace's category tree as the category window reads it: one level at
// a time from the list service (one JSON answer per category id), the first level
// as a flat list, a lower level either flat or in groups that are flattened in
// order, and the number of items the category holds. Also the rule by which the
// picker turns the two selections into one choice. Pure apart from the fetch;
// thread-safe as far as the given fetcher is.
#pragma once

#include "config/market_config.h"
#include "json/script_json.h"
#include "net/page_fetcher.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::category {

struct CategoryEntry {
    std::string name;     // GBK, as the answer gives it
    std::int32_t id = 0;  // the answer's "value" read as an integer; not a number: 0
    friend bool operator==(const CategoryEntry&, const CategoryEntry&) = default;
};

struct CategoryLevel {
    std::vector<CategoryEntry> entries;
    std::string total;  // "data.selectedCondition.totalNumber" as text
};

// The address that asks for category `id` (0: the first level) with one item a page.
std::string categoryLevelAddress(const std::string& listHost, std::int32_t id, const std::string& spm);

// A "value" text as a category id: leading blanks, sign and digits; else 0.
std::int32_t categoryIdOf(std::string_view value);

// Entries of "data.cat.catList" of a loaded answer.
std::vector<CategoryEntry> readCategoryList(const json::ScriptJson& json);
// The level below the requested category: the groups of "data.cat.catGroupList"
// flattened in order when "data.cat.hasGroup" is "1", else "data.cat.catList".
std::vector<CategoryEntry> readSubLevel(const json::ScriptJson& json);
std::string readTotal(const json::ScriptJson& json);

// Fetches category `id` (no referrer) and loads the answer under "data".
json::ScriptJson requestCategory(net::Fetcher& fetcher, const config::MarketConfig& market,
                                 const std::string& spm, std::int32_t id);

// The first level (entries only), and the level below `id` with its total.
CategoryLevel fetchFirstLevel(net::Fetcher& fetcher, const config::MarketConfig& market,
                              const std::string& spm);
CategoryLevel fetchSubLevel(net::Fetcher& fetcher, const config::MarketConfig& market, const std::string& spm,
                            std::int32_t id);

// What the picker hands back.
struct CategoryChoice {
    std::string name;  // GBK
    std::int32_t id = -1;
    friend bool operator==(const CategoryChoice&, const CategoryChoice&) = default;
};

// The picker's confirmation over the two lists as the window shows them: index 0
// of each is its placeholder, entry i of `first` / `second` is at index i + 1, -1
// is no selection. Nothing when no first-level category is chosen; the
// second-level entry when one is chosen, else the first-level one.
std::optional<CategoryChoice> confirmPick(const std::vector<CategoryEntry>& first, int firstIndex,
                                          const std::vector<CategoryEntry>& second, int secondIndex);

// Texts (GBK).
const std::string& firstLevelPlaceholder();           // "请选择一级分类"
const std::string& secondLevelBeforeChoice();         // "请先选择一级分类"
const std::string& secondLevelPlaceholder();          // "请选择二级分类"
const std::string& loadingFirstLevelText();           // "正在获取主类目请稍后。。"
const std::string& loadingSubLevelText();             // "正在获取子类目请稍后。。"
const std::string& loadingCategoryText();             // "正在获取类目信息。。"
std::string itemCountText(const std::string& total);  // "该分类下有商品" + total
const std::string& chooseFirstLevelMessage();         // "请选择一级分类。"

}  // namespace shelfwatch::category

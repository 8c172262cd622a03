#include "list_service.h"

#include "text/gbk_text.h"

#include "item_pages.h"
#include "market_sim.h"
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

namespace shelfwatch::sim {

namespace {

// The catalogue's category ids by product word (catalogue.cpp draws them so).
constexpr int kDress = 50010850, kPhoneCase = 50024099, kTea = 50008056, kEarphones = 50012938,
              kFlask = 50013897, kSneakers = 50012043, kBackpack = 50012010, kLamp = 50011754,
              kMask = 50011977, kTowel = 50010792, kMat = 50020893, kTShirt = 50000436;

struct Leaf {
    const char* name;
    int id;
    const char* group;
};

struct Parent {
    const char* name;
    const char* value;
    bool grouped;
    std::vector<Leaf> leaves;
};

const std::vector<Parent>& tree() {
    static const std::vector<Parent> kTree = {
        {"服饰鞋包",
         "16",
         true,
         {{"连衣裙", kDress, "女装男装"},
          {"T恤", kTShirt, "女装男装"},
          {"运动鞋", kSneakers, "女装男装"},
          {"双肩包", kBackpack, "箱包配件"},
          {"手机壳", kPhoneCase, "箱包配件"}}},
        {"数码家电", "50008090", false, {{"蓝牙耳机", kEarphones, ""}, {"台灯", kLamp, ""}}},
        {"家居日用",
         "50008164",
         true,
         {{"凉席", kMat, "家纺"}, {"毛巾", kTowel, "家纺"}, {"保温杯", kFlask, "厨房"}}},
        {"美妆食品", "50010788", false, {{"面膜", kMask, ""}, {"茶叶", kTea, ""}}},
        // The service names some categories by a word, not a number.
        {"特色市场", "tese", false, {}},
    };
    return kTree;
}

const Parent* parentOf(const std::string& value) {
    for (const Parent& parent : tree()) {
        if (value == parent.value) return &parent;
    }
    return nullptr;
}

bool isLeaf(const std::string& value) {
    for (const Parent& parent : tree()) {
        for (const Leaf& leaf : parent.leaves) {
            if (value == std::to_string(leaf.id)) return true;
        }
    }
    return false;
}

// A JSON string of UTF-8 text, its Chinese written as \uXXXX when `escaped`.
std::string quoted(const std::string& utf8, bool escaped) {
    return nlohmann::json(utf8).dump(-1, ' ', escaped, nlohmann::json::error_handler_t::replace);
}

std::string entryJson(const std::string& name, const std::string& value, bool escaped, bool numericValue) {
    return "{\"name\":" + quoted(name, escaped) +
           ",\"value\":" + (numericValue ? value : quoted(value, false)) + "}";
}

std::string catJson(const std::string& cat) {
    std::string list;
    std::string groups;
    bool grouped = false;
    if (cat.empty() || cat == "0") {
        for (const Parent& parent : tree()) {
            if (!list.empty()) list += ",";
            list += entryJson(parent.name, parent.value, false, false);
        }
    } else if (const Parent* parent = parentOf(cat)) {
        grouped = parent->grouped;
        std::string group;
        std::string members;
        auto closeGroup = [&] {
            if (group.empty()) return;
            if (!groups.empty()) groups += ",";
            groups += "{\"name\":" + quoted(group, false) + ",\"catList\":[" + members + "]}";
            members.clear();
        };
        for (const Leaf& leaf : parent->leaves) {
            const std::string value = std::to_string(leaf.id);
            if (grouped) {
                if (group != leaf.group) {
                    closeGroup();
                    group = leaf.group;
                }
                if (!members.empty()) members += ",";
                members += entryJson(leaf.name, value, true, false);
            } else {
                if (!list.empty()) list += ",";
                list += entryJson(leaf.name, value, false, true);
            }
        }
        closeGroup();
    }
    std::string out = "{\"hasGroup\":\"" + std::string(grouped ? "1" : "0") + "\",\"catList\":[" + list + "]";
    if (grouped) out += ",\"catGroupList\":[" + groups + "]";
    return out + "}";
}

std::string itemJson(const CatalogueItem& item, std::int64_t position, const std::string& simHost) {
    const bool escaped = position % 2 == 1;
    std::string out = "{\"itemId\":\"" + std::to_string(item.id) + "\"";
    out += ",\"tip\":" + quoted(text::gbkToUtf8(item.title), escaped);
    out += ",\"href\":" + quoted(itemUrl(simHost, item.id), false);
    out += ",\"nick\":" + quoted(text::gbkToUtf8(item.seller), escaped);
    // Mall items carry their sales as a number, the others as a string.
    const std::string sales = std::to_string(item.sales);
    out += ",\"tradeNum\":" + (item.isMall() ? sales : "\"" + sales + "\"");
    out += ",\"price\":" + quoted(text::gbkToUtf8(item.priceText), false);
    out += ",\"loc\":" + quoted(text::gbkToUtf8(item.locationWritten), false);
    out += ",\"image\":\"http://" + simHost + "/img/" + std::to_string(item.id) + "_180x180.jpg\"";
    return out + "}";
}

}  // namespace

const std::vector<SimCategory>& simFirstLevel() {
    static const std::vector<SimCategory> kLevel = [] {
        std::vector<SimCategory> level;
        for (const Parent& parent : tree()) {
            SimCategory category{parent.name, parent.value, "", {}};
            for (const Leaf& leaf : parent.leaves) category.leaves.push_back(leaf.id);
            level.push_back(std::move(category));
        }
        return level;
    }();
    return kLevel;
}

std::vector<SimCategory> simSubLevel(const std::string& value) {
    std::vector<SimCategory> level;
    if (value.empty() || value == "0") return simFirstLevel();
    const Parent* parent = parentOf(value);
    if (parent == nullptr) return level;
    for (const Leaf& leaf : parent->leaves) {
        level.push_back({leaf.name, std::to_string(leaf.id), leaf.group, {leaf.id}});
    }
    return level;
}

bool simHasGroups(const std::string& value) {
    const Parent* parent = parentOf(value);
    return parent != nullptr && parent->grouped;
}

ListServiceRequest parseListServiceQuery(std::string_view query) {
    ListServiceRequest request;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t amp = query.find('&', start);
        if (amp == std::string_view::npos) amp = query.size();
        const std::string_view pair = query.substr(start, amp - start);
        const std::size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        const std::string value =
            eq == std::string_view::npos ? "" : text::percentDecode(pair.substr(eq + 1));
        if (key == "cat") request.cat = value;
        if (key == "nick") {
            request.byNick = true;
            request.nick = text::utf8ToGbk(value);
        }
        if (key == "q") request.keyword = text::utf8ToGbk(value);
        if (key == "pSize") request.pageSize = std::clamp(text::toInt(value), 1, 200);
        if (key == "data-value") request.offset = std::max<std::int64_t>(0, text::toInt64(value));
        start = amp + 1;
    }
    return request;
}

std::vector<const CatalogueItem*> listServiceMatches(const Catalogue& catalogue,
                                                     const ListServiceRequest& request) {
    std::vector<const CatalogueItem*> found = catalogue.listedMatching(request.keyword);
    const bool everything = request.cat.empty() || request.cat == "0";
    if (!everything) {
        std::set<int> ids;
        if (const Parent* parent = parentOf(request.cat)) {
            for (const Leaf& leaf : parent->leaves) ids.insert(leaf.id);
        } else if (isLeaf(request.cat)) {
            ids.insert(text::toInt(request.cat));
        }
        std::erase_if(found, [&](const CatalogueItem* item) { return ids.count(item->categoryId) == 0; });
    }
    if (request.byNick) {
        std::erase_if(found, [&](const CatalogueItem* item) { return item->seller != request.nick; });
    }
    return found;
}

std::string buildListServiceAnswer(const Catalogue& catalogue, const ListServiceRequest& request,
                                   const std::string& simHost) {
    const std::vector<const CatalogueItem*> found = listServiceMatches(catalogue, request);
    const auto total = static_cast<std::int64_t>(found.size());
    std::string items;
    for (std::int64_t i = request.offset; i < std::min(total, request.offset + request.pageSize); ++i) {
        if (!items.empty()) items += ",";
        items += itemJson(*found[static_cast<std::size_t>(i)], i, simHost);
    }
    // A first-level parent's count comes as a string, the others' as a number.
    const std::string totalText = std::to_string(total);
    const std::string totalJson = parentOf(request.cat) ? "\"" + totalText + "\"" : totalText;
    // The answer's top level is what callers read as "data".
    std::string out = "{\"status\":\"200\"";
    out += ",\"cat\":" + catJson(request.cat);
    out += ",\"selectedCondition\":{\"totalNumber\":" + totalJson + ",\"cat\":" + quoted(request.cat, false) +
           "}";
    out += ",\"page\":{\"pageSize\":" + std::to_string(request.pageSize) +
           ",\"offset\":" + std::to_string(request.offset) + "}";
    out += ",\"itemList\":[" + items + "]";
    out += "}";
    return text::utf8ToGbk(out);
}

void installListServiceRoutes(MarketSim& sim) {
    sim.route(kListServicePath, [&sim](const Request& request) {
        const Catalogue& catalogue = catalogueFor(sim.seed(), simReferenceNow());
        Response response;
        response.contentType = "application/json; charset=gbk";
        response.body = buildListServiceAnswer(catalogue, parseListServiceQuery(request.query),
                                               sim.marketConfig().itemHost);
        return response;
    });
}

}  // namespace shelfwatch::sim

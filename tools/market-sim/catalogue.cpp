#include "catalogue.h"

#include "text/gbk_text.h"

#include "sim_random.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace shelfwatch::sim {

namespace {

constexpr std::int64_t kWeekSeconds = 7 * 86400;

std::string money(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

std::int64_t msOf(item::DateTime dt) { return item::dateTimeToSeconds(dt) * 1000; }

constexpr std::array<const char*, 10> kAdjectives = {"2014新款", "正品", "包邮", "特价", "韩版",
                                                     "清仓",     "热卖", "原创", "加厚", "简约"};
constexpr std::array<const char*, 12> kNouns = {"连衣裙", "手机壳", "茶叶", "蓝牙耳机", "保温杯", "运动鞋",
                                                "双肩包", "台灯",   "面膜", "毛巾",     "凉席",   "T恤"};
constexpr std::array<const char*, 10> kDetails = {"女款", "男士",   "夏季", "大容量", "家用",
                                                  "学生", "礼盒装", "送礼", "超值",   "批发"};
constexpr std::array<int, 12> kCategories = {50010850, 50024099, 50008056, 50012938, 50013897, 50012043,
                                             50012010, 50011754, 50011977, 50010792, 50020893, 50000436};
constexpr std::array<const char*, 6> kNickStarts = {"小", "阿", "大", "老", "金", "好"};
constexpr std::array<const char*, 10> kNickCores = {"美", "优", "品", "潮", "乐",
                                                    "佳", "诚", "鑫", "华", "星"};
constexpr std::array<const char*, 8> kNickEnds = {"的店", "小铺", "家居",   "数码",
                                                  "服饰", "百货", "精品屋", "工作室"};
constexpr std::array<const char*, 8> kBrands = {"优品",   "森马",     "九阳", "飞利浦",
                                                "南极人", "三只松鼠", "罗莱", "骆驼"};
constexpr std::array<const char*, 3> kMallShopKinds = {"旗舰店", "专营店", "专卖店"};
// Mall shops that write their name in traditional characters, with the simplified
// form the analysis must give back.
constexpr std::array<std::pair<const char*, const char*>, 5> kTraditionalShops = {{
    {"寶麗國際旗艦店", "宝丽国际旗舰店"},
    {"國際數碼專營店", "国际数码专营店"},
    {"臺灣風尚旗艦店", "台湾风尚旗舰店"},
    {"東方優品旗艦店", "东方优品旗舰店"},
    {"龍鳳綢緞專賣店", "龙凤绸缎专卖店"},
}};
constexpr std::array<const char*, 10> kLocations = {"浙江 杭州", "广东 广州", "上海",      "北京",
                                                    "江苏 苏州", "福建 泉州", "广东 深圳", "山东 青岛",
                                                    "浙江 义乌", "四川 成都"};

std::string withoutSpaces(const std::string& text) { return text::removeAll(text, " "); }

}  // namespace

std::string CatalogueItem::expectedStock() const {
    if (kind == ItemKind::kMall) return text::fromInt(quantity);
    const int left = quantity - sales;
    return text::fromInt(left < 0 ? 0 : left);
}

std::string CatalogueItem::expectedPrice() const {
    if (kind == ItemKind::kMall) {
        return promotionPrice.empty() ? priceText : priceText + " -> " + promotionPrice;
    }
    const std::string cleaned = withoutSpaces(priceText);
    return cleaned.size() <= 20 ? cleaned : currentPrice;
}

item::DateTime defaultReferenceNow() { return item::fromCivil(2014, 7, 31, 8, 0, 0); }

Catalogue::Catalogue(const CatalogueOptions& options)
    : m_seed(options.seed),
      m_referenceNow(options.referenceNow.days == 0.0 ? defaultReferenceNow() : options.referenceNow) {
    addFixtures();
    addGenerated(options.generatedCount);
    for (std::size_t i = 0; i < m_items.size(); ++i) m_index.emplace(m_items[i].id, i);
}

const CatalogueItem* Catalogue::find(std::int64_t id) const {
    auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_items[it->second];
}

std::vector<const CatalogueItem*> Catalogue::listedMatching(const std::string& keyword) const {
    std::vector<const CatalogueItem*> matches;
    for (const CatalogueItem& entry : m_items) {
        if (!entry.isListed()) continue;
        if (keyword.empty() || text::find(entry.title, keyword) != -1) matches.push_back(&entry);
    }
    return matches;
}

void Catalogue::addFixtures() {
    using text::gbk;
    const item::DateTime weekAgo = item::addDays(m_referenceNow, -3);

    auto marketplace = [&](std::int64_t id, const char* titleUtf8) {
        CatalogueItem entry;
        entry.id = id;
        entry.kind = ItemKind::kMarketplace;
        entry.titleWritten = gbk(titleUtf8);
        entry.title = entry.titleWritten;
        entry.seller = entry.sellerWritten = gbk("小美的店");
        entry.sellerId = 100000 + id;
        entry.sellerCredit = 8;
        entry.locationWritten = gbk("浙江 杭州");
        entry.location = gbk("浙江杭州");
        entry.priceText = entry.currentPrice = "128.00";
        entry.priceValue = 128.0;
        entry.quantity = 100;
        entry.sales = 30;
        entry.startsMs = msOf(weekAgo);
        entry.endsMs = entry.startsMs + kWeekSeconds * 1000;
        entry.keyword = gbk("连衣裙");
        entry.categoryId = kCategories[0];
        return entry;
    };
    auto mall = [&](std::int64_t id, const char* titleUtf8, const char* sellerUtf8) {
        CatalogueItem entry = marketplace(id, titleUtf8);
        entry.kind = ItemKind::kMall;
        entry.seller = entry.sellerWritten = gbk(sellerUtf8);
        entry.locationWritten = gbk("广东 深圳");
        entry.location = gbk("广东深圳");
        entry.priceText = "199.00";
        entry.currentPrice.clear();
        entry.priceValue = 199.0;
        entry.quantity = 57;
        entry.sales = 1234;
        entry.keyword = gbk("蓝牙耳机");
        entry.categoryId = kCategories[3];
        return entry;
    };

    CatalogueItem worked = marketplace(fixture::kWorkedExample, "2014夏季新款 韩版修身连衣裙");
    worked.startsMs = 1406246400000;
    worked.endsMs = 1406851200000;
    m_items.push_back(worked);

    CatalogueItem oversold = marketplace(fixture::kOversold, "清仓特价 纯棉连衣裙");
    oversold.sales = 130;
    oversold.priceText = oversold.currentPrice = "35.50";
    oversold.priceValue = 35.5;
    m_items.push_back(oversold);

    CatalogueItem longCurrent = marketplace(fixture::kLongPriceCurrent, "多规格 蓝牙耳机 运动款");
    longCurrent.priceText = gbk("19.90 - 1299.00 (12款可选)");
    longCurrent.currentPrice = "19.90";
    longCurrent.priceValue = 19.9;
    longCurrent.keyword = gbk("蓝牙耳机");
    m_items.push_back(longCurrent);

    CatalogueItem longNoCurrent = marketplace(fixture::kLongPriceNoCurrent, "多规格 保温杯 礼盒装");
    longNoCurrent.priceText = gbk("29.00 - 399.00 (8款可选)");
    longNoCurrent.currentPrice.clear();
    longNoCurrent.priceValue = 29.0;
    longNoCurrent.keyword = gbk("保温杯");
    m_items.push_back(longNoCurrent);

    CatalogueItem suffixInside = marketplace(fixture::kSuffixInside, "老粗布凉席-淘宝网三件套");
    suffixInside.title = gbk("老粗布凉席三件套");
    suffixInside.keyword = gbk("凉席");
    m_items.push_back(suffixInside);

    CatalogueItem ended = marketplace(fixture::kEnded, "已结束 老款连衣裙");
    ended.startsMs = msOf(item::addDays(m_referenceNow, -10));
    ended.endsMs = ended.startsMs + kWeekSeconds * 1000;
    m_items.push_back(ended);

    CatalogueItem noBlock = marketplace(fixture::kNoListingBlock, "无上架信息 连衣裙");
    noBlock.hasListingBlock = false;
    m_items.push_back(noBlock);

    CatalogueItem bare = marketplace(fixture::kMissingMarkers, "bare page");
    bare.hasServiceAddresses = false;
    bare.hasListingBlock = false;
    bare.seller.clear();
    bare.sales = 0;
    bare.quantity = 0;
    bare.priceText.clear();
    bare.currentPrice.clear();
    bare.location.clear();
    m_items.push_back(bare);

    CatalogueItem promotion = mall(fixture::kMallPromotion, "优品 蓝牙耳机 无线运动", "优品数码旗舰店");
    promotion.promotionPrice = "99.00";
    m_items.push_back(promotion);

    m_items.push_back(mall(fixture::kMallPlain, "优品 蓝牙耳机 头戴式", "优品数码旗舰店"));

    CatalogueItem traditional = mall(fixture::kMallTraditional, "宝丽 保温杯 大容量", "宝丽国际旗舰店");
    traditional.sellerWritten = gbk("寶麗國際旗艦店");
    traditional.keyword = gbk("保温杯");
    m_items.push_back(traditional);

    CatalogueItem wrapped = mall(fixture::kMallWrappedSpan, "骆驼 运动鞋 男士", "骆驼户外旗舰店");
    wrapped.sellerSpanWraps = true;
    wrapped.keyword = gbk("运动鞋");
    m_items.push_back(wrapped);

    CatalogueItem noSeller = mall(fixture::kMallNoSeller, "南极人 毛巾 礼盒装", "南极人家纺旗舰店");
    noSeller.hasSellerSpan = false;
    noSeller.seller.clear();
    noSeller.keyword = gbk("毛巾");
    m_items.push_back(noSeller);

    // The mall suffix depends on the configured mall domain; the page builder puts
    // it where the title text says %MALLSUFFIX%.
    CatalogueItem mallSuffix = mall(fixture::kMallSuffixInside, "进口面膜%MALLSUFFIX%补水套装", "罗莱旗舰店");
    mallSuffix.title = gbk("进口面膜补水套装");
    mallSuffix.keyword = gbk("面膜");
    m_items.push_back(mallSuffix);

    CatalogueItem removed = marketplace(fixture::kRemoved, "");
    removed.kind = ItemKind::kRemoved;
    removed.title = gbk("该商品已下架。");
    m_items.push_back(removed);

    CatalogueItem guide = marketplace(fixture::kGuide, "我帮你买");
    guide.kind = ItemKind::kGuide;
    guide.title = gbk("我帮你买");
    m_items.push_back(guide);
}

void Catalogue::addGenerated(int count) {
    SplitMix64 random(m_seed * 0x100000001B3ull + 17);
    for (int i = 0; i < count; ++i) {
        CatalogueItem entry;
        entry.id = kFirstGeneratedId + static_cast<std::int64_t>(i) * 7 + random.below(7);
        const int kindRoll = random.below(100);
        entry.kind = kindRoll < 70   ? ItemKind::kMarketplace
                     : kindRoll < 94 ? ItemKind::kMall
                     : kindRoll < 97 ? ItemKind::kRemoved
                                     : ItemKind::kGuide;

        const int noun = random.below(static_cast<int>(kNouns.size()));
        entry.keyword = text::gbk(kNouns[static_cast<std::size_t>(noun)]);
        entry.categoryId = kCategories[static_cast<std::size_t>(noun)];
        const std::string title = std::string(random.pick(kAdjectives)) + " " +
                                  kNouns[static_cast<std::size_t>(noun)] + " " + random.pick(kDetails);
        entry.titleWritten = text::gbk(title);
        entry.title = entry.titleWritten;

        entry.sellerId = 10000000 + random.below(900000000);
        entry.sellerCredit = 1 + random.below(20);
        if (entry.kind == ItemKind::kMall) {
            if (random.below(100) < 30) {
                const auto& shop = random.pick(kTraditionalShops);
                entry.sellerWritten = text::gbk(shop.first);
                entry.seller = text::gbk(shop.second);
            } else {
                entry.seller = entry.sellerWritten =
                    text::gbk(std::string(random.pick(kBrands)) + random.pick(kMallShopKinds));
            }
            entry.sellerSpanWraps = random.below(100) < 10;
        } else if (random.below(100) < 15) {
            entry.seller = entry.sellerWritten = "tb" + std::to_string(10000000 + random.below(90000000));
        } else {
            entry.seller = entry.sellerWritten = text::gbk(std::string(random.pick(kNickStarts)) +
                                                           random.pick(kNickCores) + random.pick(kNickEnds));
        }

        entry.locationWritten = text::gbk(random.pick(kLocations));
        entry.location = withoutSpaces(entry.locationWritten);

        const double price = 5.0 + random.below(300000) / 100.0;
        entry.priceValue = price;
        entry.priceText = money(price);
        if (entry.kind == ItemKind::kMarketplace) {
            entry.currentPrice = entry.priceText;
            if (random.below(100) < 10) {
                entry.priceText = money(price) + " - " + money(price * 3 + 100) + " (" +
                                  std::to_string(2 + random.below(20)) + text::gbk("款可选)");
                if (random.below(2) == 0) entry.currentPrice.clear();
            }
        } else if (entry.kind == ItemKind::kMall && random.below(100) < 60) {
            entry.promotionPrice = money(price * (50 + random.below(45)) / 100.0);
        }

        entry.quantity = 1 + random.below(5000);
        entry.sales =
            random.below(100) < 5 ? entry.quantity + 1 + random.below(200) : random.below(entry.quantity);

        // Every hour of the week before the reference now gets its share of listing
        // starts, so the delisting statistics see all 168 slots filled.
        const int slot = i % (7 * 24);
        const std::int64_t secondsBack = static_cast<std::int64_t>(slot) * 3600 + 1 + random.below(3599);
        entry.startsMs = msOf(item::addSeconds(m_referenceNow, -secondsBack)) + random.below(1000);
        entry.endsMs = entry.startsMs + kWeekSeconds * 1000;

        if (entry.kind == ItemKind::kRemoved) entry.title = text::gbk("该商品已下架。");
        m_items.push_back(std::move(entry));
    }
}

namespace {
std::mutex& catalogueMutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<std::uint64_t, int>& catalogueSizes() {
    static std::map<std::uint64_t, int> sizes;
    return sizes;
}
}  // namespace

void setCatalogueSize(std::uint64_t seed, int generatedCount) {
    std::lock_guard lock(catalogueMutex());
    catalogueSizes()[seed] = generatedCount;
}

const Catalogue& catalogueFor(std::uint64_t seed, item::DateTime referenceNow) {
    static std::map<std::pair<std::uint64_t, double>, std::unique_ptr<Catalogue>> built;
    if (referenceNow.days == 0.0) referenceNow = defaultReferenceNow();
    std::lock_guard lock(catalogueMutex());
    auto& slot = built[{seed, referenceNow.days}];
    if (!slot) {
        const auto size = catalogueSizes().find(seed);
        const int count = size == catalogueSizes().end() ? 600 : size->second;
        slot = std::make_unique<Catalogue>(CatalogueOptions{seed, referenceNow, count});
    }
    return *slot;
}

namespace {
std::atomic<double>& referenceNowDays() {
    static std::atomic<double> days{0.0};
    return days;
}
}  // namespace

void setSimReferenceNow(item::DateTime now) { referenceNowDays().store(now.days); }

item::DateTime simReferenceNow() {
    const double days = referenceNowDays().load();
    return days == 0.0 ? defaultReferenceNow() : item::DateTime{days};
}

}  // namespace shelfwatch::sim

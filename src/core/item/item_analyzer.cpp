#include "item/item_analyzer.h"

#include "text/gbk_text.h"
#include "text/pattern.h"

#include <optional>
#include <string_view>

namespace shelfwatch::item {

namespace {

// The program keeps the mall seller pattern with single quotes (it is easier to
// carry around that way) and turns them into double quotes before compiling.
constexpr std::string_view kMallSellerPatternText =
    "<span class='(.+?)J_WangWang' data-nick='(.+?)' data-tnick='(.+?)' data-encode='(.+?)' "
    "data-display='(.+?)'></span>";

const text::Pattern& mallSellerPattern() {
    static const text::Pattern pattern(text::replaceAll(kMallSellerPatternText, "'", "\""));
    return pattern;
}

const std::string& marketplaceTitleSuffix() {
    static const std::string suffix = text::gbk("-淘宝网");
    return suffix;
}

const std::string& removedItemText() {
    static const std::string value = text::gbk("很抱歉，您查看的宝贝不存在，可能已下架或者被转移");
    return value;
}

const std::string& removedItemTitle() {
    static const std::string value = text::gbk("该商品已下架。");
    return value;
}

const std::string& guidePageMessage() {
    static const std::string value = text::gbk("暂时无法获取‘我帮你’页面的数据");
    return value;
}

bool contains(std::string_view text, std::string_view marker) { return text::find(text, marker) != -1; }

// Group 3 (data-tnick) of the first match, or "" when the page has none.
std::string mallSellerGroup(const std::string& page) {
    const std::optional<text::Pattern::Match> match = mallSellerPattern().findFirst(page);
    return match ? std::string(match->groups[3]) : std::string();
}

// The answer without CR LF pairs, quotes and spaces, so the markers need not care
// how the service formats its JSON. The sales value is read with single quotes kept.
std::string cleanedAnswer(std::string_view answer, bool keepSingleQuotes = false) {
    std::string cleaned = text::removeAll(answer, "\r\n");
    if (!keepSingleQuotes) cleaned = text::removeAll(cleaned, "'");
    cleaned = text::removeAll(cleaned, "\"");
    return text::removeAll(cleaned, " ");
}

std::string integerText(std::string_view value) { return text::fromInt(text::toInt(value)); }

std::string mallPrice(const std::string& cleaned) {
    const int priceInfo = text::find(cleaned, "priceInfo");
    std::string price = text::textBetween(cleaned, "price:", ",", priceInfo);
    const int promotion = text::find(cleaned, "promotionList", priceInfo);
    if (promotion == -1) return price;
    return price + " -> " + text::textBetween(cleaned, "price:", ",", promotion);
}

std::string marketplacePrice(const std::string& cleaned, const std::string& page) {
    constexpr std::size_t kLongestPlainPrice = 20;
    std::string price = text::textBetween(cleaned, "price:", ",");
    if (price.size() <= kLongestPlainPrice) return price;
    // A long text is a price range or a note; the page's own current price is the better answer.
    const int current = text::find(page, "current_price");
    if (current == -1) return {};
    return text::textBetween(page, "value=", "/", current);
}

void readListingTimes(const std::string& page, const Clock& clock, ItemDetails& details) {
    const int blockStart = text::find(page, "J_showListIndicator");
    const int blockEnd = blockStart == -1 ? -1 : text::find(page, "</button>", blockStart);
    const std::string block =
        blockEnd == -1 ? std::string() : text::mid(page, blockStart, blockEnd - blockStart);
    details.startTime = msToDateTime(text::toInt64(text::textBetween(block, "&starts=", "&")));
    details.endTime = msToDateTime(text::toInt64(text::textBetween(block, "&ends=", "&")));
    const std::int32_t minutes = wholeMinutesBetween(details.endTime, clock.now());
    details.minutesLeft = minutes < 0 ? 0 : minutes;
}

void readMallItem(const std::string& url, const std::string& page, const AnalyzerDeps& deps,
                  ItemDetails& details) {
    details.seller = text::toSimplified(text::utf8ToGbk(text::percentDecode(mallSellerGroup(page))));
    details.isMall = 1;

    const std::string address = text::textBetween(page, "\"initApi\":\"", "\"") + "&callback=setMdskip";
    const std::string answer = deps.fetcher.fetchPage(address, url);
    const std::string cleaned = cleanedAnswer(answer);
    details.sales = integerText(text::textBetween(cleanedAnswer(answer, true), "sellCount:", "},"));
    details.price = mallPrice(cleaned);
    details.location = text::textBetween(cleaned, "deliveryAddress:", ",");
    details.stock = integerText(text::textBetween(page, "\"quantity\":", ","));
}

void readMarketplaceItem(const std::string& url, const std::string& page, const AnalyzerDeps& deps,
                         ItemDetails& details) {
    details.seller = text::textBetween(page, "sellerNick:\"", "\",");
    details.isMall = 0;

    const std::string countAddress = text::textBetween(page, "\"apiItemInfo\":\"", "\"");
    const std::string countAnswer = deps.fetcher.fetchPage(countAddress, url);
    details.sales = integerText(text::textBetween(cleanedAnswer(countAnswer, true), "quanity:", ","));

    const std::string detailAddress = text::textBetween(page, "(function(){var b=\"", "\"");
    const std::string detailAnswer = deps.fetcher.fetchPage(detailAddress, url);
    const std::string cleaned = cleanedAnswer(detailAnswer);
    details.price = marketplacePrice(cleaned, page);
    details.location = text::textBetween(cleaned, "location:", ",");

    // Worked in floating point so that huge counts cannot overflow; an oversold
    // listing has nothing left rather than a negative stock.
    const double left = static_cast<double>(text::toInt(text::textBetween(page, "&old_quantity=", "&"))) -
                        static_cast<double>(text::toInt(details.sales));
    details.stock = text::fromDouble(left);
    if (text::toInt(details.stock) < 0) details.stock = "0";
}

}  // namespace

ItemDetails analyzeItem(std::string& url, const AnalyzerDeps& deps) {
    ItemDetails details;
    const int quote = text::find(url, "\"");
    if (quote != -1) url = text::left(url, quote - 1);

    const std::string page = deps.fetcher.fetchPage(url, {});
    details.pageFailure = net::lastFetchFailure();

    details.title = text::textBetween(page, "<title>", "</title>");
    details.title = text::removeAll(details.title, marketplaceTitleSuffix());
    details.title = text::removeAll(details.title, deps.market.mallTitleSuffix());

    if (contains(page, removedItemText())) {
        details.title = removedItemTitle();
        details.message = removedItemText();
        return details;
    }
    if (contains(page, deps.market.guidePageMarker())) {
        details.message = guidePageMessage();
        return details;
    }

    if (contains(page, deps.market.mallPageMarker())) {
        readMallItem(url, page, deps, details);
    } else {
        readMarketplaceItem(url, page, deps, details);
    }
    details.price = text::trim(text::removeAll(details.price, "\""));

    readListingTimes(page, deps.clock, details);
    return details;
}

}  // namespace shelfwatch::item

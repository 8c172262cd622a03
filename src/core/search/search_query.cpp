#include "search/search_query.h"

#include "text/gbk_text.h"
#include "text/pattern.h"

#include <cstdio>

namespace shelfwatch::search {

std::string percentEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool keep = b == 0x2A || (b >= 0x2C && b <= 0x2F) || (b >= '0' && b <= '9') || b == 0x40 ||
                          (b >= 'A' && b <= 'Z') || b == 0x5F || (b >= 'a' && b <= 'z');
        if (keep) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        }
    }
    return out;
}

std::string searchSortKey(int sortIndex, int directionIndex) {
    const bool desc = directionIndex == 0;
    switch (sortIndex) {
        case 1:
            return desc ? "renqi-desc" : "renqi-asc";
        case 2:
            return desc ? "sale-desc" : "sale-asc";
        case 3:
            return desc ? "credit-desc" : "credit-asc";
        case 4:
            return desc ? "old_starts" : "old_ends";
        case 5:
            return desc ? "price-desc" : "price-asc";
        default:
            return "default";
    }
}

std::string initiativeId(const item::Clock& clock) {
    const item::CivilTime today = item::toCivil(clock.now());
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", today.year, today.month, today.day);
    return std::string("staobaoz_") + digits;
}

std::string fetchSpm(net::Fetcher& fetcher, const config::MarketConfig& market) {
    const std::string page = fetcher.fetchPage(market.homeUrl(), "");
    return text::textBetween(page, "<input type=\"hidden\" name=\"spm\" value=\"", "\"");
}

std::string searchPageAddress(const std::string& searchHost, const SearchPageQuery& query) {
    std::string url = "http://" + searchHost;
    url += "/search?spm=" + query.spm;
    if (query.region.empty()) {
        url += "&promote=0&commend=all&fs=0&ssid=s5-e&search_type=item&sourceId=tb.index&initiative_id=" +
               query.initiativeId;
    } else {
        url += "&promote=0&commend=all&fs=0&loc=" + percentEncode(query.region);
        url += "&ssid=s5-e&search_type=item&filterFineness=2&sourceId=tb.index&initiative_id=" +
               query.initiativeId;
    }
    url += "&sort=" + query.sortKey;
    url += "&style=list&tab=all&q=" + percentEncode(query.keyword);
    url += "&s=" + std::to_string(query.offset);
    return url;
}

bool isDetailSrpPage(std::string_view page) { return text::find(page, "\"currentPage\":\"detailsrp\"") > 0; }

std::string resultBlock(std::string_view page) {
    static const std::string kPagerMarker = text::gbk("<!--分页-->");
    const int a = text::find(page, "<div class=\"tb-content");
    if (a < 1) return {};
    const int b = text::find(page, kPagerMarker, a);
    if (b < 1) return {};
    return text::mid(page, a, b - a);
}

std::vector<std::string> itemLinks(std::string_view page) {
    // "." must cross line breaks and the groups stay lazy: a listing's attributes
    // may be wrapped over several lines.
    static const text::Pattern kItemPattern(
        "<a trace=\"auction\" traceNum=\"(?:2|3)\" data-pid=\"(?:.+?)\" href=\"(.+?)\" "
        "target=\"_blank\" title=\"(.+?)\">");
    static const std::string kRunAcross = "<div class=\"pic-box-big\">\n";

    std::vector<std::string> links;
    const std::string block = resultBlock(page);
    if (block.empty()) return links;
    kItemPattern.forEachMatch(block, [&](const text::Pattern::Match& match) {
        const std::string_view link = match.groups[1];
        if (link.find(kRunAcross) == std::string_view::npos) links.emplace_back(link);
        return true;
    });
    return links;
}

std::string cutAtQuote(std::string_view link) {
    const std::size_t quote = link.find('"');
    return std::string(quote == std::string_view::npos ? link : link.substr(0, quote));
}

}  // namespace shelfwatch::search

#include "item_pages.h"

#include "desc_pages.h"

#include "text/gbk_text.h"

#include "sim_random.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace shelfwatch::sim {

namespace {

using text::gbk;

// A page's filler comes from a stream of its own, seeded by the item id, so a
// page is the same whichever pages were built before it.
struct Noise : SplitMix64 {
    explicit Noise(std::uint64_t seed) : SplitMix64(seed * kGamma + 0x632BE59BD9B4E019ull) {}
};

std::string num(std::int64_t value) { return std::to_string(value); }

// Sentences of a shop's description and service notes (UTF-8 here, GBK on the page).
constexpr std::array<const char*, 12> kSentences = {
    "本店所有商品均为正品，支持七天无理由退换货。",
    "质量问题包邮退换，请亲放心购买。",
    "每天下午四点前付款当天发货，节假日顺延。",
    "由于显示器不同，图片与实物可能存在轻微色差，以实物为准。",
    "收到宝贝后如有任何问题请先联系客服，我们会在第一时间为您处理。",
    "亲，满意请给五星好评哦，您的支持是我们前进的动力！",
    "面料柔软亲肤，透气性好，做工精细，走线整齐。",
    "尺码说明：平铺测量，可能存在一到三厘米误差，属正常范围。",
    "温馨提示：偏远地区需补运费，详情请咨询在线客服。",
    "店铺新开张，全场优惠促销中，收藏店铺即送五元优惠券。",
    "产品参数：品牌、型号、产地、材质详见下方规格表。",
    "物流默认发韵达快递，如需其它快递请联系客服备注。",
};
constexpr std::array<const char*, 10> kNavItems = {"首页",     "所有宝贝", "新品上架", "热卖推荐",
                                                   "店铺动态", "信用评价", "联系客服", "收藏店铺",
                                                   "购物车",   "我的淘宝"};

const std::string& gbkSentence(std::size_t index) {
    static const std::array<std::string, kSentences.size()> converted = [] {
        std::array<std::string, kSentences.size()> out;
        for (std::size_t i = 0; i < kSentences.size(); ++i) out[i] = gbk(kSentences[i]);
        return out;
    }();
    return converted[index];
}

void appendCss(std::string& out, Noise& noise, int rules) {
    for (int i = 0; i < rules; ++i) {
        const int n = noise.below(100000);
        out += ".tb-m" + num(n) + " .tb-c" + num(i) + "{margin:0 auto;padding:" + num(noise.below(12)) +
               "px " + num(noise.below(16)) + "px;color:#" + num(100000 + noise.below(899999)) +
               ";font:12px/1.5 tahoma,arial,\"Hiragino Sans GB\",\"\\5b8b\\4f53\",sans-serif;"
               "background:url(//img.example.invalid/tps/i" +
               num(n) + ".png) no-repeat 0 -" + num(noise.below(400)) + "px}\n";
    }
}

void appendScript(std::string& out, Noise& noise, int functions) {
    static const std::string click = gbk("点击");
    for (int i = 0; i < functions; ++i) {
        const std::string n = num(noise.below(1000000));
        out += "KISSY.add('tb/mod" + n + "',function(S,D,E){var cfg={\"spm\":\"a1z10." + num(i) +
               "\",\"ratio\":0." + num(noise.below(1000)) + "};function f" + n +
               "(a,b){var c=a||{};for(var i=0;i<b.length;i++){c[b[i].k]=b[i].v;}return c;}" +
               "E.on(D.get('#J_m" + n + "'),'click',function(ev){ev.halt();S.log('" + click + n +
               "');});return f" + n + ";},{requires:['dom','event']});\n";
    }
}

void appendNav(std::string& out, Noise& noise) {
    out += "<ul class=\"tb-nav\">\n";
    for (const char* item : kNavItems) {
        out += "<li><a href=\"//shop" + num(noise.below(100000)) + ".example.invalid/\" target=\"_blank\">" +
               gbk(item) + "</a></li>\n";
    }
    out += "</ul>\n";
}

void appendDescription(std::string& out, Noise& noise, int paragraphs) {
    for (int i = 0; i < paragraphs; ++i) {
        out += "<p class=\"desc-p\" style=\"margin:0;padding:4px 0;\"><span style=\"font-size:14px;\">";
        for (int s = 0; s < 3; ++s) out += gbkSentence(static_cast<std::size_t>(noise.below(12)));
        out += "</span><img src=\"//img.example.invalid/imgextra/i" + num(noise.below(4)) + "/" +
               num(noise.below(1000000000)) + ".jpg\" alt=\"\"/></p>\n";
    }
}

// Styles, scripts and description text up to about `target` bytes in total.
void padTo(std::string& out, Noise& noise, std::size_t target) {
    while (out.size() + 2048 < target) {
        appendDescription(out, noise, 4);
        appendScript(out, noise, 2);
    }
}

std::size_t targetSize(const CatalogueItem& item) {
    return 150 * 1024 + static_cast<std::size_t>(Noise(static_cast<std::uint64_t>(item.id)).below(95 * 1024));
}

std::string percentEncodedUtf8(const std::string& gbkText, bool lowerCase) {
    static constexpr std::string_view kUpper = "0123456789ABCDEF";
    static constexpr std::string_view kLower = "0123456789abcdef";
    const std::string_view digits = lowerCase ? kLower : kUpper;
    std::string out;
    for (unsigned char byte : text::gbkToUtf8(gbkText)) {
        const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= 'A' && byte <= 'Z') || byte == '_' || byte == '-';
        if (plain) {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
    }
    return out;
}

std::string helpHostOf(const PageHosts& hosts) {
    return hosts.helpHost.empty() ? hosts.simHost : hosts.helpHost;
}

std::string mallSuffix(const PageHosts& hosts) { return "-" + hosts.mallDomain + gbk("天猫"); }

std::string writtenTitle(const CatalogueItem& item, const PageHosts& hosts) {
    return text::replaceAll(item.titleWritten, "%MALLSUFFIX%", mallSuffix(hosts));
}

std::string pageHead(const std::string& title, Noise& noise) {
    std::string out =
        "<!DOCTYPE html>\r\n<html lang=\"zh-CN\">\r\n<head>\r\n<meta charset=\"gbk\" />\r\n"
        "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge,chrome=1\" />\r\n<title>" +
        title + "</title>\r\n<meta name=\"keywords\" content=\"" + gbk("淘宝,掏宝,网上购物,C2C") +
        "\" />\r\n<style>\n";
    appendCss(out, noise, 160);
    out += "</style>\r\n<script>\n";
    appendScript(out, noise, 60);
    out += "</script>\r\n</head>\r\n<body class=\"tb-item\">\r\n<div id=\"site-nav\">\n";
    appendNav(out, noise);
    out += "<span class=\"tb-login\">" + gbk("亲，请登录") + "</span>\n</div>\r\n";
    return out;
}

std::string listingBlock(const CatalogueItem& item, const PageHosts& hosts) {
    if (!item.hasListingBlock) {
        return "<button class=\"tb-btn-buy\" type=\"button\">" + gbk("立即购买") + "</button>\r\n";
    }
    return "<div class=\"tb-key\"><button class=\"tb-btn-buy\" type=\"button\">" + gbk("立即购买") +
           "</button>\r\n<button id=\"J_showListIndicator\" class=\"tb-btn-list\" data-api=\"http://" +
           hosts.simHost + "/json/listIndicator.htm?id=" + num(item.id) + "&starts=" + num(item.startsMs) +
           "&ends=" + num(item.endsMs) + "&t=1\">" + gbk("查看上下架时间") + "</button></div>\r\n";
}

std::string marketplacePage(const CatalogueItem& item, const PageHosts& hosts, Noise& noise) {
    std::string out = pageHead(writtenTitle(item, hosts) + gbk("-淘宝网"), noise);
    out += "<div id=\"detail\" class=\"tb-detail-bd\">\r\n<h3 class=\"tb-main-title\">" + item.title +
           "</h3>\r\n";
    out += "<div class=\"tb-gallery\"><img id=\"J_ImgBooth\" src=\"" + mainPictureAddress(item, hosts) +
           "\" data-hasZoom=\"700\" /></div>\r\n";
    appendDescription(out, noise, 12);
    out += "<script>\r\n g_config = {\r\n  appId:1,\r\n  itemId:\"" + num(item.id) + "\",\r\n  sellerId:\"" +
           num(item.sellerId) + "\",\r\n  sellerNick:\"" + item.sellerWritten + "\",\r\n  shopId:\"" +
           num(item.sellerId / 3) + "\",\r\n  isOnline:true\r\n };\r\n";
    out += " Hub.config.set('desc', {\r\n  \"apiItemDesc\":\"" + descriptionAddress(item, hosts) +
           "\",\r\n  \"dummy\":false\r\n });\r\n";
    if (item.hasServiceAddresses) {
        out += " Hub.config.set('sku', {\r\n  \"valItemInfo\":{\"defSelected\":-1},\r\n  \"apiItemInfo\":\"" +
               countServiceAddress(item, hosts) + "\",\r\n  \"counterApi\":\"http://" + hosts.simHost +
               "/counter.htm?keys=ICCP_1_" + num(item.id) + "&inc=ICVT_7_" + num(item.id) +
               "&old_quantity=" + num(item.quantity) + "&sbn=" + num(noise.below(100000)) + "\"\r\n });\r\n";
    }
    out += "</script>\r\n";
    appendScript(out, noise, 20);
    if (!item.currentPrice.empty()) {
        out += "<form id=\"J_FrmBid\" method=\"post\"><input type=\"hidden\" name=\"item_id\" value=\"" +
               num(item.id) + "\"/><input type=\"hidden\" name=\"current_price\" value= \"" +
               item.currentPrice + "\"/></form>\r\n";
    }
    if (item.hasServiceAddresses) {
        out +=
            "<script>(function(){var b=\"" + detailServiceAddress(item, hosts) +
            "\";var a=document.createElement(\"script\");a.src=b;document.getElementsByTagName(\"head\")[0]"
            ".appendChild(a);})();</script>\r\n";
    }
    appendDescription(out, noise, 20);
    out += listingBlock(item, hosts);
    padTo(out, noise, targetSize(item));
    out += "</div>\r\n</body>\r\n</html>\r\n";
    return out;
}

std::string sellerSpan(const CatalogueItem& item) {
    if (!item.hasSellerSpan) return "<span class=\"shop-name\">" + item.sellerWritten + "</span>\r\n";
    const std::string encoded = percentEncodedUtf8(item.sellerWritten, item.id % 2 == 0);
    const std::string cls =
        item.sellerSpanWraps ? "slogo-shopname\r\n J_WangWang" : "slogo-shopname J_WangWang";
    return "<span class=\"" + cls + "\" data-nick=\"" + encoded + "\" data-tnick=\"" + encoded +
           "\" data-encode=\"true\" data-display=\"inline\"></span>\r\n";
}

std::string mallPage(const CatalogueItem& item, const PageHosts& hosts, Noise& noise) {
    std::string out = pageHead(writtenTitle(item, hosts) + mallSuffix(hosts), noise);
    out += "<div id=\"shop-info\"><span class=\"slogo\"><a class=\"slogo-shopname\" href=\"//shop" +
           num(item.sellerId) + ".example.invalid/\">" + item.sellerWritten + "</a></span>\r\n" +
           sellerSpan(item) + "</div>\r\n";
    appendDescription(out, noise, 10);
    out += "<div class=\"tb-booth\"><img id=\"J_ImgBooth\" alt=\"\" src=\"" + mainPictureAddress(item, hosts) +
           "\" /></div>\r\n";
    out += "<script>\r\nTShop.Setup({\"api\":{\"descUrl\":\"" + descriptionAddress(item, hosts) +
           "\",\"fetchDcUrl\":\"//hdc1.example.invalid/asyn.htm\"";
    if (item.hasServiceAddresses) out += ",\"initApi\":\"" + mallServiceAddress(item, hosts) + "\"";
    out += "},\"itemDO\":{\"itemId\":\"" + num(item.id) + "\",\"categoryId\":\"" + num(item.categoryId) +
           "\",\"quantity\":" + num(item.quantity) + ",\"title\":\"" + item.title + "\",\"userId\":\"" +
           num(item.sellerId) + "\"},\"isTmall\":true});\r\n</script>\r\n";
    appendScript(out, noise, 20);
    appendDescription(out, noise, 20);
    out += listingBlock(item, hosts);
    padTo(out, noise, targetSize(item));
    out += "</body>\r\n</html>\r\n";
    return out;
}

std::string guidePage(const CatalogueItem& item, const PageHosts& hosts, Noise& noise) {
    std::string out = pageHead(writtenTitle(item, hosts) + gbk("-淘宝网"), noise);
    out += "<div class=\"guide\"><p>" + gbk("这是“我帮你”代购页面，请先注册成为淘宝会员。") +
           "</p><a href=\"http://" + helpHostOf(hosts) + kGuidePagePath + "\" target=\"_blank\">" +
           gbk("免费注册") + "</a></div>\r\n";
    appendDescription(out, noise, 30);
    out += "</body>\r\n</html>\r\n";
    return out;
}

// The bare page carries a title and nothing else the analysis looks for: no
// quotes, no ampersands, so every marker is truly absent.
std::string barePage(const CatalogueItem& item, const PageHosts& hosts) {
    return "<html><head><title>" + writtenTitle(item, hosts) + gbk("-淘宝网") + "</title></head><body><p>" +
           gbk("页面加载中") + "</p></body></html>";
}

}  // namespace

std::string itemUrl(const std::string& simHost, std::int64_t id) {
    return "http://" + simHost + kItemPagePath + "?id=" + num(id);
}

std::string mallServiceAddress(const CatalogueItem& item, const PageHosts& hosts) {
    return "http://" + hosts.simHost + kMallServicePath + "?itemId=" + num(item.id) +
           "&isSecKill=false&tmallBuySupport=true";
}

std::string countServiceAddress(const CatalogueItem& item, const PageHosts& hosts) {
    return "http://" + hosts.simHost + kCountServicePath + "?id=" + num(item.id) +
           "&sid=" + num(item.sellerId) + "&q=1";
}

std::string detailServiceAddress(const CatalogueItem& item, const PageHosts& hosts) {
    return "http://" + hosts.simHost + kDetailServicePath + "?itemId=" + num(item.id) +
           "&sellerId=" + num(item.sellerId) + "&p=1&chnl=pc";
}

std::string buildRemovedPage(const PageHosts& hosts) {
    Noise noise(7);
    std::string out = pageHead(gbk("淘宝网 - 淘！我喜欢"), noise);
    out += "<div class=\"error-notice\"><h2>" + gbk("很抱歉，您查看的宝贝不存在，可能已下架或者被转移。") +
           "</h2><p><a href=\"http://" + hosts.simHost + "/\">" + gbk("返回首页") + "</a></p></div>\r\n";
    appendDescription(out, noise, 8);
    out += "</body>\r\n</html>\r\n";
    return out;
}

std::string buildItemPage(const CatalogueItem& item, const PageHosts& hosts) {
    Noise noise(static_cast<std::uint64_t>(item.id));
    switch (item.kind) {
        case ItemKind::kRemoved:
            return buildRemovedPage(hosts);
        case ItemKind::kGuide:
            return guidePage(item, hosts, noise);
        case ItemKind::kMall:
            return mallPage(item, hosts, noise);
        case ItemKind::kMarketplace:
            break;
    }
    if (!item.hasServiceAddresses && !item.hasListingBlock) return barePage(item, hosts);
    return marketplacePage(item, hosts, noise);
}

std::string buildMallServiceAnswer(const CatalogueItem& item) {
    std::string out =
        "setMdskip(\r\n{\"isSuccess\":true,\"defaultModel\":{\"deliveryDO\":{\"areaId\":330100,"
        "\"deliveryAddress\":\"" +
        item.locationWritten + "\",\"destination\":\"" + gbk("杭州") +
        "\"},\r\n\"inventoryDO\":{\"icTotalQuantity\":" + num(item.quantity) +
        ",\"totalQuantity\":" + num(item.quantity) + "},\r\n\"itemPriceResultDO\":{\"priceInfo\":{\"" +
        num(item.id) + "\":{\"areaSold\":true, \"price\":\"" + item.priceText + "\", ";
    if (!item.promotionPrice.empty()) {
        out += "\"promotionList\":[{\"price\":\"" + item.promotionPrice + "\",\"type\":\"" + gbk("限时打折") +
               "\",\"status\":2}], ";
    }
    out += "\"tagPrice\":\"" + item.priceText +
           "\"}},\"queryProm\":false},\r\n\"sellCountDO\":{\"sellCount\":" + num(item.sales) +
           "},\r\n\"tradeResult\":{\"cartEnable\":true,\"tradeEnable\":true}}})\r\n";
    return out;
}

std::string buildCountServiceAnswer(const CatalogueItem& item) {
    return "TB.Detail.ifq({\r\n \"quanity\": " + num(item.sales) +
           ", \"interval\": 86400, \"confirmGoods\": " + num(item.sales * 9 / 10) +
           ", 'msg': 'ok'\r\n});\r\n";
}

std::string buildDetailServiceAnswer(const CatalogueItem& item) {
    return "var detail = {\r\n \"defaultModel\": {\r\n  \"price\": \"" + item.priceText +
           "\", \"soldQuantity\": " + num(item.sales) + ",\r\n  \"deliveryDO\": {\"location\": \"" +
           item.locationWritten + "\", \"areaId\": 330100},\r\n  'isOnline': true\r\n }\r\n};\r\n";
}

}  // namespace shelfwatch::sim

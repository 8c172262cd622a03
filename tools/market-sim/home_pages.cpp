#include "text/gbk_text.h"

#include "sim_routes.h"

namespace shelfwatch::sim {

std::string homeSpmValue(std::uint64_t seed) {
    const std::uint64_t h = simHash(seed, 0x5A17);
    return "a21bo." + std::to_string(2000 + h % 100) + "." + std::to_string(100000 + (h >> 8) % 900000) +
           "-taobao-item." + std::to_string(1 + (h >> 32) % 9);
}

namespace {

// A home page in the shape of the real one: GBK, a search form among the
// navigation, and the spm value in one hidden input of that form.
std::string homePage(const MarketSim& sim) {
    const config::MarketConfig market = sim.marketConfig();
    std::string page;
    page += "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n";
    page += text::gbk("<title>淘宝网 - 淘！我喜欢</title>\r\n");
    page += text::gbk(
        "<meta name=\"description\" content=\"淘宝网 - "
        "亚洲较大的网上交易平台，提供各类服饰、美容、家居、数码、话费/点卡充值… "
        "数亿优质商品，同时提供担保交易(先收货后付款)等安全交易保障服务。\">\r\n");
    page +=
        "<link rel=\"stylesheet\" "
        "href=\"//g.alicdn.com/tb/index/0.1.0/index-min.css\">\r\n</head>\r\n<body>\r\n";
    page += text::gbk("<div id=\"site-nav\"><ul><li><a href=\"http://" + market.helpHost +
                      "/member/login.jhtml\">亲，请登录</a></li><li><a href=\"http://" + market.helpHost +
                      "/member/reg/fast/union_reg.htm\">免费注册</a></li><li><a href=\"http://" +
                      market.homeHost + "/my/\">我的淘宝</a></li></ul></div>\r\n");
    page += "<div class=\"search\">\r\n<form action=\"http://" + market.searchHost +
            "/search\" name=\"search\" id=\"J_TSearchForm\">\r\n";
    page += "<input type=\"hidden\" name=\"commend\" value=\"all\">\r\n";
    page += "<input type=\"hidden\" name=\"ssid\" value=\"s5-e\">\r\n";
    page += "<input type=\"hidden\" name=\"search_type\" value=\"item\">\r\n";
    page += "<input type=\"hidden\" name=\"sourceId\" value=\"tb.index\">\r\n";
    page += "<input type=\"hidden\" name=\"spm\" value=\"" + homeSpmValue(sim.seed()) + "\">\r\n";
    page += "<input type=\"hidden\" name=\"ie\" value=\"utf8\">\r\n";
    page += text::gbk(
        "<input id=\"q\" name=\"q\" aria-label=\"请输入搜索文字\" accesskey=\"s\" autocomplete=\"off\">\r\n");
    page += text::gbk("<button type=\"submit\">搜索</button>\r\n</form>\r\n</div>\r\n");
    page += text::gbk(
        "<div class=\"service\"><h2>主题市场</h2><ul>"
        "<li><a href=\"//list.taobao.com/\">女装</a> / <a href=\"#\">男装</a> / <a href=\"#\">内衣</a></li>"
        "<li><a href=\"#\">鞋靴</a> / <a href=\"#\">箱包</a> / <a href=\"#\">配件</a></li>"
        "<li><a href=\"#\">童装玩具</a> / <a href=\"#\">孕产</a> / <a href=\"#\">用品</a></li>"
        "<li><a href=\"#\">家电</a> / <a href=\"#\">数码</a> / <a href=\"#\">手机</a></li></ul></div>\r\n");
    page += text::gbk("<div class=\"footer\">© 2003-2014 Taobao.com 版权所有</div>\r\n");
    page += "</body>\r\n</html>\r\n";
    return page;
}

}  // namespace

void installHomeRoutes(MarketSim& sim) {
    sim.route("/", [&sim](const Request&) {
        Response response;
        response.body = homePage(sim);
        return response;
    });
}

}  // namespace shelfwatch::sim

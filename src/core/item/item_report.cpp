#include "item/item_report.h"

#include "text/gbk_text.h"

#include <array>

namespace shelfwatch::item {

std::vector<std::string> itemReportLines(const std::string& usedUrl, const ItemDetails& details) {
    static const std::array<std::string, kItemReportLineCount> labels = {
        text::gbk("被查看网址："), text::gbk("网页标题："), text::gbk("店主："),     text::gbk("上架时间："),
        text::gbk("下架时间："),   text::gbk("剩余分钟："), text::gbk("剩余库存："), text::gbk("当前销量："),
        text::gbk("商品售价："),   text::gbk("所在地："),
    };
    const std::array<std::string, kItemReportLineCount> values = {
        usedUrl,
        details.title,
        details.seller,
        dateTimeText(details.startTime),
        dateTimeText(details.endTime),
        text::fromInt(details.minutesLeft),
        details.stock,
        details.sales,
        details.price,
        details.location,
    };
    std::vector<std::string> lines;
    lines.reserve(kItemReportLineCount);
    for (int i = 0; i < kItemReportLineCount; ++i) lines.push_back(labels[i] + values[i] + "\r\n");
    return lines;
}

std::string itemReportText(const std::string& usedUrl, const ItemDetails& details) {
    std::string report;
    for (const std::string& line : itemReportLines(usedUrl, details)) report += line;
    return report;
}

}  // namespace shelfwatch::item

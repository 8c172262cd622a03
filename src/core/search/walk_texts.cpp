#include "search/walk_texts.h"

#include "text/gbk_text.h"

namespace shelfwatch::search {

const std::string& searchCaption() {
    static const std::string kText = text::gbk("查关键字");
    return kText;
}

const std::string& stopCaption() {
    static const std::string kText = text::gbk("停止获取");
    return kText;
}

std::string listPageStatus(int page) {
    static const std::string kPrefix = text::gbk("正在获取列表，当前第");
    static const std::string kSuffix = text::gbk("页");
    return kPrefix + std::to_string(page) + kSuffix;
}

const std::string& fetchingInfoText() {
    static const std::string kText = text::gbk("正在获取信息，请稍后。。");
    return kText;
}

const std::string& stoppedText() {
    static const std::string kText = text::gbk("线程已停止操作。");
    return kText;
}

const std::string& doneText() {
    static const std::string kText = text::gbk("完成操作。");
    return kText;
}

std::string progressText(int row, int total) {
    static const std::string kPrefix = text::gbk("进度： ");
    return kPrefix + std::to_string(row) + " / " + std::to_string(total);
}

const std::string& refreshingText() {
    static const std::string kText = text::gbk("正在刷新失败的项目。");
    return kText;
}

const std::string& noKeywordText() {
    static const std::string kText = text::gbk("请输入关键词");
    return kText;
}

const std::string& detailSrpRefusal() {
    static const std::string kText = text::gbk("暂不支持DetailSrp模式关键词\r\n请使用本软件的列表页查询模式");
    return kText;
}

const std::string& listPagePrompt() {
    static const std::string kText = text::gbk(
        "请输入淘宝商品列表页的地址，需要为列表页形式：\r\n"
        "可以从淘宝首页输入关键词点击搜索后，将网址粘贴到此处\r\n"
        "本功能用于自定参数的抓取.请不要保留分页参数s");
    return kText;
}

const std::string& regionHelpText() {
    static const std::string kText =
        text::gbk("使用方法类似淘宝的商品列表页\r\n只需输入需要查询的城市名或者省份名称\r\n");
    return kText;
}

}  // namespace shelfwatch::search

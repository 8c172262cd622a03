// Every text the walks show on the main window, in one place: the search
// button's captions, the status and progress label texts, the prompts and the
// messages. All GBK, built once; the functions are safe from any thread.
#pragma once

#include <string>

namespace shelfwatch::search {

const std::string& searchCaption();     // "查关键字"
const std::string& stopCaption();       // "停止获取"
std::string listPageStatus(int page);   // "正在获取列表，当前第" + page + "页"
const std::string& fetchingInfoText();  // "正在获取信息，请稍后。。"
const std::string& stoppedText();       // "线程已停止操作。"
const std::string& doneText();          // "完成操作。"
std::string progressText(int row, int total);  // "进度： row / total"
const std::string& refreshingText();    // "正在刷新失败的项目。"
const std::string& noKeywordText();     // "请输入关键词"
const std::string& detailSrpRefusal();  // the keyword search's refusal of a DetailSrp page
const std::string& listPagePrompt();    // the list-page query's input box
const std::string& regionHelpText();    // the ".." button's help

}  // namespace shelfwatch::search

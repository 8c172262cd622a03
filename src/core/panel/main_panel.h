// The port through which core operations read and drive the main window: the
// query inputs, the status and progress labels, which controls are enabled, the
// search button's caption, message and input boxes, and letting pending window
// events run. The GUI, the command line and the tests each implement it. All
// texts are GBK. Implementations accept calls from any thread.
#pragma once

#include <optional>
#include <string>

namespace shelfwatch::panel {

// The main window's controls that operations read or lock, named by role.
enum class Control {
    KeywordEdit,            // 编辑框1
    PageCountEdit,          // 编辑框2
    RegionEdit,             // 编辑框3
    SortCombo,              // 组合框1
    DirectionCombo,         // 组合框2
    LocalCookieCheck,       // 选择框1
    SearchButton,           // 按钮1 "查关键字"
    StoreButton,            // 按钮5 "查询店铺"
    SingleItemButton,       // 按钮3 "查询单个商品"
    CategoryKeywordButton,  // 按钮7 "查分类关键字"
    CategoryQueryButton,    // 按钮8 "查询分类"
    ListPageButton,         // 按钮10 "按列表页查询"
    RefreshButton,          // 按钮9 "刷新失败项目"
    TaskButton,             // 按钮6 "任务模式设定"
    ExportButton,           // 按钮2 "导 出"
    AnalysisButton,         // 按钮11 "报表分析"
    RegionHelpButton,       // 按钮4 ".."
    ResultTable,            // 超级列表框1
};

class MainPanel {
  public:
    virtual ~MainPanel() = default;

    virtual std::string keyword() const = 0;
    virtual void setKeyword(const std::string& text) = 0;
    virtual std::string pageCountText() const = 0;
    virtual void setPageCountText(const std::string& text) = 0;
    virtual std::string region() const = 0;
    virtual int sortIndex() const = 0;       // 0..5, -1 when nothing is selected
    virtual int directionIndex() const = 0;  // 0..1, -1 when nothing is selected

    virtual std::string status() const = 0;
    virtual void setStatus(const std::string& text) = 0;  // 标签3
    virtual std::string progress() const = 0;
    virtual void setProgress(const std::string& text) = 0;  // 标签5

    virtual bool isEnabled(Control control) const = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual std::string searchButtonCaption() const = 0;
    virtual void setSearchButtonCaption(const std::string& text) = 0;

    // Collection progress box (分组框2 with 标签8 and 标签9).
    virtual void setCollectProgressVisible(bool visible) = 0;
    virtual void setCollectProgressLines(const std::string& line1, const std::string& line2) = 0;

    // A message box titled "信息：" with an OK button; returns when dismissed.
    virtual void showMessage(const std::string& text) = 0;
    // An input box; nullopt when the user cancels.
    virtual std::optional<std::string> askText(const std::string& prompt, const std::string& initial) = 0;

    // Runs the window events queued for the calling thread once; nothing on a worker.
    virtual void processEvents() = 0;
    virtual void setWindowVisible(bool visible) = 0;
};

}  // namespace shelfwatch::panel

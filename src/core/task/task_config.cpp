#include "task/task_config.h"

#include "config/ini_file.h"
#include "text/gbk_text.h"

namespace shelfwatch::task {
namespace {

struct Kind {
    const char* option;
    const char* key;
    int column;
};
// In the drop-down's order.
constexpr Kind kKinds[] = {
    {kKeywordOption, "word", kKeywordColumn},
    {kStoreOption, "name", kStoreColumn},
    {kCategoryOption, "cat", kCategoryColumn},
};

const Kind* kindOfOption(const std::string& option) {
    for (const Kind& kind : kKinds) {
        if (option == kind.option) return &kind;
    }
    return nullptr;
}

const Kind* kindOfCaption(const std::string& caption) {
    const std::vector<std::string>& captions = kindCaptions();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (caption == captions[i]) return &kKinds[i];
    }
    return nullptr;
}

}  // namespace

const std::vector<std::string>& kindCaptions() {
    static const std::vector<std::string> kCaptions = {text::gbk("单个关键词"), text::gbk("单个店铺"),
                                                       text::gbk("单个分类")};
    return kCaptions;
}

const std::vector<std::string>& headerCaptions() {
    static const std::vector<std::string> kHeader = {text::gbk("操作选项"), text::gbk("关键词"),
                                                     text::gbk("分类"), text::gbk("店铺名"),
                                                     text::gbk("抓取页数")};
    return kHeader;
}

const std::string& usageText() {
    static const std::string kText = text::gbk(
        "您可将本功能与windows的任务计划功能结合，使软件能在后台为您自动采集数据并导出。（设置完成后请不要忘"
        "记保存！ "
        "请不要太频繁以防淘宝更新接口）\r\n使用说明：\r\n您只需在下面的表格中设置好相关参数即可。当然，您还需"
        "要设置下任务计"
        "划功能，软件路径直接输入本软件附带文件名的所在路径，参数可输入task，如“c:\\pro.exe task”");
    return kText;
}

const std::string& defaultCategoryLabel() {
    static const std::string kLabel = text::gbk("所有分类 || 0");
    return kLabel;
}

std::string captionForOption(const std::string& option) {
    const Kind* kind = kindOfOption(option);
    if (kind == nullptr) return {};
    return kindCaptions()[static_cast<std::size_t>(kind - kKinds)];
}

std::string optionForCaption(const std::string& caption) {
    const Kind* kind = kindOfCaption(caption);
    return kind == nullptr ? std::string() : std::string(kind->option);
}

int valueColumnForCaption(const std::string& caption) {
    const Kind* kind = kindOfCaption(caption);
    return kind == nullptr ? -1 : kind->column;
}

std::string& TaskRow::cell(int column) {
    switch (column) {
        case kKindColumn:
            return caption;
        case kKeywordColumn:
            return keyword;
        case kCategoryColumn:
            return category;
        case kStoreColumn:
            return store;
        default:
            return pages;
    }
}

const std::string& TaskRow::cell(int column) const { return const_cast<TaskRow*>(this)->cell(column); }

std::filesystem::path taskFilePath(const std::filesystem::path& dataDir) { return dataDir / "task_cfg.ini"; }

std::vector<TaskRow> loadTaskRows(const std::filesystem::path& file) {
    std::vector<TaskRow> rows;
    for (const std::string& section : config::iniSectionNames(file)) {
        const Kind* kind = kindOfOption(config::iniRead(file, section, "option", ""));
        if (kind == nullptr) continue;
        TaskRow row;
        row.caption = kindCaptions()[static_cast<std::size_t>(kind - kKinds)];
        row.cell(kind->column) = config::iniRead(file, section, kind->key, "");
        row.pages = config::iniRead(file, section, "ys", "1");
        rows.push_back(std::move(row));
    }
    return rows;
}

bool saveTaskRows(const std::filesystem::path& file, const std::vector<TaskRow>& rows) {
    bool ok = true;
    for (const std::string& section : config::iniSectionNames(file)) {
        ok = config::iniDeleteSection(file, section) && ok;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string section = std::to_string(r + 1);
        const TaskRow& row = rows[r];
        if (const Kind* kind = kindOfCaption(row.caption)) {
            ok = config::iniWrite(file, section, "option", kind->option) && ok;
            ok = config::iniWrite(file, section, kind->key, row.cell(kind->column)) && ok;
        }
        ok = config::iniWrite(file, section, "ys", row.pages) && ok;
    }
    return ok;
}

}  // namespace shelfwatch::task

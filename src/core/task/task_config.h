// The task file task_cfg.ini in the data directory: one INI section per saved
// query, read in file order (section names are not interpreted), written back
// as "1".."n" in grid order. Also the grid's own rules that do not need a
// widget: the kind captions, which column carries each kind's value, and the
// editor's usage text. All texts are GBK. Calls on one file are serialised by
// the INI layer; these functions keep no state.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace shelfwatch::task {

// Grid columns: 0 kind caption, 1 keyword, 2 category label, 3 store nickname, 4 pages.
inline constexpr int kKindColumn = 0;
inline constexpr int kKeywordColumn = 1;
inline constexpr int kCategoryColumn = 2;
inline constexpr int kStoreColumn = 3;
inline constexpr int kPagesColumn = 4;
inline constexpr int kColumnCount = 5;

// The `option` values.
inline constexpr const char* kKeywordOption = "keyword";
inline constexpr const char* kStoreOption = "store";
inline constexpr const char* kCategoryOption = "cat";

// "单个关键词", "单个店铺", "单个分类" in the drop-down's order.
const std::vector<std::string>& kindCaptions();
// The header row: "操作选项", "关键词", "分类", "店铺名", "抓取页数".
const std::vector<std::string>& headerCaptions();
// The editor's usage text (CR LF line breaks).
const std::string& usageText();
// "所有分类 || 0": the label a category task without `cat` runs with.
const std::string& defaultCategoryLabel();

// The caption of an `option` value and back; empty when not one of the three.
std::string captionForOption(const std::string& option);
std::string optionForCaption(const std::string& caption);
// The one editable value column of a row with this caption; -1 for none.
int valueColumnForCaption(const std::string& caption);

// One grid row (columns 0..4), as the editor shows and saves it.
struct TaskRow {
    std::string caption;
    std::string keyword;
    std::string category;
    std::string store;
    std::string pages;

    std::string& cell(int column);
    const std::string& cell(int column) const;
    friend bool operator==(const TaskRow&, const TaskRow&) = default;
};

std::filesystem::path taskFilePath(const std::filesystem::path& dataDir);

// The rows of the file in section order; a section whose `option` is none of the
// three kinds gives no row. A missing file gives none.
std::vector<TaskRow> loadTaskRows(const std::filesystem::path& file);

// Deletes every section of the file, then writes section "r" for row r (1-based):
// `option` and the kind's own key when the caption names a kind, then always `ys`.
// False when a write failed (the file then holds the rows written so far).
bool saveTaskRows(const std::filesystem::path& file, const std::vector<TaskRow>& rows);

}  // namespace shelfwatch::task

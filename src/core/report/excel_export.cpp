#include "report/excel_export.h"

#include "report/listing_stats.h"
#include "text/gbk_text.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace shelfwatch::report {
namespace {

// Excel refuses cells longer than this many characters.
constexpr size_t kMaxCellChars = 32767;

std::string cellUtf8(std::string_view gbkText) {
    std::string utf8 = text::gbkToUtf8(gbkText);
    size_t chars = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && ++chars > kMaxCellChars) {
            utf8.resize(i);
            break;
        }
    }
    return utf8;
}

void writeCell(lxw_worksheet* sheet, int row, int column, std::string_view gbkText) {
    if (gbkText.empty()) return;  // an empty cell reads back empty anyway
    const std::string utf8 = cellUtf8(gbkText);
    worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), utf8.c_str(),
                           nullptr);
}

// Worksheet 2: hours "1".."24" across B..Y, one row per day with the date text
// and weekday in A. When the statistics cannot run the sheet stays empty.
void writeStatisticsSheet(lxw_worksheet* sheet, const table::ResultTable& table, const item::Clock& clock) {
    ListingStats stats;
    if (!stats.open()) return;
    stats.loadFromResultTable(table);
    const SlotGrid grid = computeSlotGrid(stats, clock);
    for (int h = 1; h <= kSlotHours; ++h) writeCell(sheet, 0, h, std::to_string(h));
    for (int d = 0; d < kSlotDays; ++d) {
        const item::DateTime day = item::addDays(grid.today, d);
        writeCell(sheet, d + 1, 0, item::dateTimeText(day) + " " + weekdayName(day));
        for (int h = 0; h < kSlotHours; ++h)
            writeCell(sheet, d + 1, h + 1, std::to_string(grid.counts[d][h]));
    }
    stats.close();
}

std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    std::random_device random;
    std::uniform_int_distribution<unsigned> digits(0, 0xFFFFFF);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06x", digits(random));
    std::filesystem::path name = target.filename();
    name += ".part-";
    name += suffix;
    return target.parent_path() / name;
}

std::string failure(const std::filesystem::path& path, const std::string& causeGbk) {
    return text::gbk("导出失败：") + pathText(path) + "\r\n" + causeGbk;
}

}  // namespace

std::string pathText(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return text::utf8ToGbk(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

std::string exportDoneMessage(const std::filesystem::path& path) {
    return text::gbk("完成操作\r\n") + pathText(path);
}

ExportResult writeWorkbook(const table::ResultTable& table, const std::filesystem::path& path,
                           const item::Clock& clock, const WorkbookHooks& hooks) {
    ExportResult result;
    auto fail = [&](const std::string& cause) {
        result.ok = false;
        result.error = failure(path, cause);
        return result;
    };

    const std::filesystem::path target = path.is_relative() ? std::filesystem::absolute(path) : path;
    std::error_code ec;
    const std::filesystem::path folder = target.parent_path();
    if (path.empty() || target.filename().empty()) return fail(text::gbk("文件名为空"));
    if (!std::filesystem::is_directory(folder, ec)) return fail(text::gbk("文件夹不存在"));
    if (std::filesystem::is_directory(target, ec)) return fail(text::gbk("目标是一个文件夹"));

    const std::filesystem::path temporary = temporaryBeside(target);
    const std::u8string temporaryName = temporary.u8string();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(reinterpret_cast<const char*>(temporaryName.c_str()), &options);
    if (!workbook) return fail(text::gbk("无法创建工作簿"));
    lxw_worksheet* sheet1 = workbook_add_worksheet(workbook, nullptr);
    lxw_worksheet* sheet2 = workbook_add_worksheet(workbook, nullptr);
    if (!sheet1 || !sheet2) {
        workbook_close(workbook);
        std::filesystem::remove(temporary, ec);
        return fail(text::gbk("无法创建工作表"));
    }

    const int columns = table.columnCount();
    for (int c = 0; c < columns; ++c) writeCell(sheet1, 0, c, table.columnTitle(c) + "a");
    for (int r = 0; r < table.rowCount(); ++r) {
        if (hooks.perRow) hooks.perRow();
        const table::ItemRecord row = table.row(r);
        for (int c = 0; c < columns && c < table::kColumnCount; ++c) {
            writeCell(sheet1, r + 1, c, text::replaceAll(row.field(c), "\r\n", " "));
        }
    }
    writeStatisticsSheet(sheet2, table, clock);
    if (hooks.beforeSave) hooks.beforeSave();

    errno = 0;
    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) {
        std::string cause = lxw_strerror(closed);
        if (errno != 0) cause += std::string(" (") + std::strerror(errno) + ")";
        std::filesystem::remove(temporary, ec);
        return fail(text::utf8ToGbk(cause));
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        const std::string cause = ec.message();
        std::filesystem::remove(temporary, ec);
        return fail(text::utf8ToGbk(cause));
    }
    result.ok = true;
    return result;
}

ExportResult exportResultTable(const table::ResultTable& table, bool quiet, const std::filesystem::path& path,
                               const item::Clock& clock, panel::MainPanel& panel) {
    WorkbookHooks hooks;
    hooks.perRow = [&panel] { panel.processEvents(); };
    hooks.beforeSave = [&panel] { panel.setStatus(""); };
    const ExportResult result = writeWorkbook(table, path, clock, hooks);
    if (!result.ok) {
        // "Exporting, please wait" must not outlive a failed export.
        panel.setStatus("");
        if (!quiet) panel.showMessage(result.error);
    }
    return result;
}

}  // namespace shelfwatch::report

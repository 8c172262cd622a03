// Renders the task editor over a typical task list into a PNG
// (docs/task-editor.png), so its look can be reviewed without the program.
// Usage: gui_task_editor_screenshot OUTPUT.png   (QT_QPA_PLATFORM=offscreen)
#include "config/ini_file.h"
#include "gui/task_editor.h"
#include "task/task_config.h"
#include "text/gbk_text.h"

#include <QApplication>
#include <QPixmap>
#include <QTableWidget>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

int main(int argc, char** argv) {
    using namespace shelfwatch;
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: gui_task_editor_screenshot OUTPUT.png\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("task-editor-shot-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = task::taskFilePath(dir);
    const std::vector<task::TaskRow> rows = {
        {text::gbk("单个关键词"), text::gbk("连衣裙"), "", "", "3"},
        {text::gbk("单个店铺"), "", "", text::gbk("杭州女装旗舰店"), "1"},
        {text::gbk("单个分类"), "", text::gbk("女装 || 16"), "", "2"},
    };
    task::saveTaskRows(file, rows);

    gui::TaskEditor editor(file, [](QWidget*) { return gui::TaskEditor::PickedCategory{}; });
    editor.addRow();
    editor.grid()->setCurrentCell(3, 2);
    editor.show();
    QApplication::processEvents();
    const bool ok = editor.grab().save(QString::fromLocal8Bit(argv[1]));
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}

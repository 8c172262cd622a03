// The task editor: the usage text, the task grid (row 0 the header row, one task
// per row below it) and the buttons "添加一行", "删除选中" and "保存配置". The grid
// is the only working copy: nothing reaches task_cfg.ini until "保存配置", which
// rewrites the whole file from the grid. Kind cells are picked from a drop-down,
// the page cell takes a number, a category cell is filled only by the category
// picker, and each row's value cells follow its kind (the row lock). Window
// thread only.
#pragma once

#include "task/task_config.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace shelfwatch::gui {

class TaskGrid;

class TaskEditor final : public QDialog {
    Q_OBJECT
  public:
    // What the category picker gives when it closes: the display name and the
    // id ("" and -1 when it was closed without a choice).
    struct PickedCategory {
        std::string name;  // GBK
        long long id = -1;
    };
    using CategoryPicker = std::function<PickedCategory(QWidget* parent)>;

    TaskEditor(std::filesystem::path taskFile, CategoryPicker picker, QWidget* parent = nullptr);

    QTableWidget* grid() const;
    QPlainTextEdit* usageBox() const { return m_usage; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* saveButton() const { return m_save; }

    // The rows below the header as they would be saved.
    std::vector<task::TaskRow> rows() const;
    // Columns 1..3 read-only and grey, then the row's own value column editable and black.
    void applyRowLock(int row);

    void addRow();
    void deleteCurrentRow();
    void save();

  private:
    void appendRow(const task::TaskRow& row);
    void onItemChanged(int row, int column);
    void pickCategory(int row);

    std::filesystem::path m_taskFile;
    CategoryPicker m_picker;
    TaskGrid* m_grid = nullptr;
    QPlainTextEdit* m_usage = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_save = nullptr;
    bool m_filling = false;
};

}  // namespace shelfwatch::gui

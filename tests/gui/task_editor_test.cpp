// The task editor: loading the file into the grid, the row lock that follows each
// row's kind, the category cell that only the picker fills, and saving.
#include "gui/task_editor.h"

#include "config/ini_file.h"
#include "gui/dialogs.h"
#include "gui/qt_text.h"
#include "task/task_config.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include "support/simulated_market.h"
#include <QAbstractItemView>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

using namespace shelfwatch;

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

class TaskEditorTest : public QObject {
    Q_OBJECT

  private:
    std::filesystem::path m_dir;
    std::filesystem::path m_file;
    int m_picks = 0;

    gui::TaskEditor::CategoryPicker picker(std::string name, long long id) {
        return [this, name, id](QWidget*) {
            ++m_picks;
            return gui::TaskEditor::PickedCategory{name, id};
        };
    }

    void writeTasks() {
        config::iniWrite(m_file, "1", "option", "keyword");
        config::iniWrite(m_file, "1", "word", text::gbk("连衣裙"));
        config::iniWrite(m_file, "1", "ys", "3");
        config::iniWrite(m_file, "2", "option", "store");
        config::iniWrite(m_file, "2", "name", text::gbk("某店"));
        config::iniWrite(m_file, "3", "option", "cat");
        config::iniWrite(m_file, "3", "cat", text::gbk("女装 || 16"));
        config::iniWrite(m_file, "3", "ys", "2");
        config::iniWrite(m_file, "4", "option", "other");
    }

    static bool editable(QTableWidget* grid, int row, int column) {
        return (grid->item(row, column)->flags() & Qt::ItemIsEditable) != 0;
    }
    static QColor colour(QTableWidget* grid, int row, int column) {
        return grid->item(row, column)->foreground().color();
    }

  private slots:
    void init() {
        m_dir = testing::makeTempDir("task-editor-");
        m_file = task::taskFilePath(m_dir);
        m_picks = 0;
        gui::dialogs::resetScript();
    }
    void cleanup() { std::filesystem::remove_all(m_dir); }

    void loadsRowsWithHeaderUsageAndLocks() {
        writeTasks();
        gui::TaskEditor editor(m_file, picker("", -1));
        QTableWidget* grid = editor.grid();
        QCOMPARE(grid->rowCount(), 4);  // header + three tasks; "other" adds none
        QCOMPARE(grid->item(0, 0)->text(), q("操作选项"));
        QCOMPARE(grid->item(0, 4)->text(), q("抓取页数"));
        QCOMPARE(grid->columnWidth(1), 80);
        QCOMPARE(grid->columnWidth(3), 80);
        QCOMPARE(editor.usageBox()->toPlainText(), gui::fromGbkLines(task::usageText()));
        QCOMPARE(grid->item(1, 0)->text(), q("单个关键词"));
        QCOMPARE(grid->item(1, 1)->text(), q("连衣裙"));
        QCOMPARE(grid->item(2, 4)->text(), q("1"));  // ys missing reads as 1
        QCOMPARE(grid->item(3, 2)->text(), q("女装 || 16"));

        // Each row: only its kind's value column is open and black; the rest grey.
        const int openColumn[] = {0, 1, 3, 2};
        for (int r = 1; r <= 3; ++r) {
            for (int c = 1; c <= 3; ++c) {
                const bool open = c == openColumn[r];
                QCOMPARE(editable(grid, r, c), open);
                QCOMPARE(colour(grid, r, c), open ? QColor(0, 0, 0) : QColor(128, 128, 128));
            }
            QVERIFY(editable(grid, r, 0));
            QVERIFY(editable(grid, r, 4));
        }
    }

    // Picking a new kind relocks the row and keeps the old text; saving writes
    // only the new kind's key.
    void changingKindRelocksRowAndSavesNewKindOnly() {
        writeTasks();
        gui::TaskEditor editor(m_file, picker("", -1));
        QTableWidget* grid = editor.grid();
        grid->setCurrentCell(1, 0);
        grid->editItem(grid->item(1, 0));
        auto* combo = grid->findChild<QComboBox*>();
        QVERIFY(combo != nullptr);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), q("单个关键词"));
        QCOMPARE(combo->itemText(2), q("单个分类"));
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(grid->item(1, 0)->text(), q("单个店铺"));
        QVERIFY(!editable(grid, 1, 1));
        QCOMPARE(colour(grid, 1, 1), QColor(128, 128, 128));
        QCOMPARE(grid->item(1, 1)->text(), q("连衣裙"));
        QVERIFY(editable(grid, 1, 3));
        QCOMPARE(colour(grid, 1, 3), QColor(0, 0, 0));

        grid->item(1, 3)->setText(q("新店"));
        QTest::mouseClick(editor.saveButton(), Qt::LeftButton);
        QCOMPARE(gui::dialogs::shownMessages(), QStringList{q("已完成。")});
        QCOMPARE(config::iniRead(m_file, "1", "option", ""), std::string("store"));
        QCOMPARE(config::iniRead(m_file, "1", "name", ""), text::gbk("新店"));
        QCOMPARE(config::iniRead(m_file, "1", "word", "absent"), std::string("absent"));
    }

    // Only an open category cell opens the picker, and what it gives lands in
    // the cell as name " || " id, also when it was closed without a choice.
    void categoryCellOpensThePicker() {
        writeTasks();
        gui::TaskEditor editor(m_file, picker(text::gbk("手机"), 1512));
        QTableWidget* grid = editor.grid();
        grid->setCurrentCell(1, 2);  // a keyword row: its category cell is locked
        grid->editItem(grid->item(1, 2));
        QCOMPARE(m_picks, 0);
        QCOMPARE(grid->item(1, 2)->text(), QString());

        grid->setCurrentCell(3, 2);
        grid->editItem(grid->item(3, 2));
        QCOMPARE(m_picks, 1);
        QCOMPARE(grid->item(3, 2)->text(), q("手机 || 1512"));

        gui::TaskEditor closedUnconfirmed(m_file, picker("", -1));
        closedUnconfirmed.grid()->setCurrentCell(3, 2);
        closedUnconfirmed.grid()->editItem(closedUnconfirmed.grid()->item(3, 2));
        QCOMPARE(closedUnconfirmed.grid()->item(3, 2)->text(), q(" || -1"));
        // Nothing is written until "保存配置".
        QCOMPARE(config::iniRead(m_file, "3", "cat", ""), text::gbk("女装 || 16"));
    }

    // Delete the middle row, add a row without a kind, save, load again.
    void addDeleteSaveRoundTrip() {
        writeTasks();
        {
            gui::TaskEditor editor(m_file, picker("", -1));
            QTableWidget* grid = editor.grid();
            grid->setCurrentCell(0, 0);
            QTest::mouseClick(editor.deleteButton(), Qt::LeftButton);  // the header row stays
            QCOMPARE(grid->rowCount(), 4);
            grid->setCurrentCell(2, 0);
            QTest::mouseClick(editor.deleteButton(), Qt::LeftButton);
            QCOMPARE(grid->rowCount(), 3);
            QTest::mouseClick(editor.addButton(), Qt::LeftButton);
            QCOMPARE(grid->rowCount(), 4);
            for (int c = 0; c < task::kColumnCount; ++c) QVERIFY(editable(grid, 3, c));
            grid->item(3, 4)->setText(q("7"));
            QTest::mouseClick(editor.saveButton(), Qt::LeftButton);
        }
        QCOMPARE(config::iniSectionNames(m_file), (std::vector<std::string>{"1", "2", "3"}));
        QCOMPARE(config::iniRead(m_file, "2", "option", ""), std::string("cat"));
        QCOMPARE(config::iniRead(m_file, "3", "option", "none"), std::string("none"));
        QCOMPARE(config::iniRead(m_file, "3", "ys", ""), std::string("7"));
        gui::TaskEditor reloaded(m_file, picker("", -1));
        QCOMPARE(reloaded.grid()->rowCount(), 3);
        QCOMPARE(reloaded.grid()->item(2, 2)->text(), q("女装 || 16"));
    }
};

SHELFWATCH_GUI_TEST_MAIN(TaskEditorTest)
#include "task_editor_test.moc"

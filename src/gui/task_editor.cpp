#include "gui/task_editor.h"

#include "gui/dialogs.h"
#include "gui/qt_text.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace shelfwatch::gui {
namespace {

constexpr int kValueColumnWidth = 80;
const QColor kLockedColor(128, 128, 128);
const QColor kOpenColor(0, 0, 0);

// Column 0: a drop-down of the three kinds, never typed into.
class KindDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        for (const std::string& caption : task::kindCaptions()) combo->addItem(fromGbk(caption));
        // A pick is the edit: commit it at once, as a drop-down list does.
        connect(combo, &QComboBox::activated, this, [this, combo] {
            auto* self = const_cast<KindDelegate*>(this);
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(combo->findText(index.data().toString()));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() >= 0) model->setData(index, combo->currentText());
    }
};

// Column 4: the page count, digits with an optional sign.
class PagesDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* edit = new QLineEdit(parent);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,9}")), edit));
        return edit;
    }
};

}  // namespace

// The grid: a category cell that is about to be edited opens the picker instead.
class TaskGrid final : public QTableWidget {
  public:
    TaskGrid(std::function<void(int row)> pickCategory, QWidget* parent)
        : QTableWidget(parent), m_pickCategory(std::move(pickCategory)) {}

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        const bool wouldEdit = trigger == AllEditTriggers || editTriggers().testFlag(trigger);
        if (index.isValid() && index.column() == task::kCategoryColumn && wouldEdit &&
            (index.flags() & Qt::ItemIsEditable)) {
            m_pickCategory(index.row());
            return false;
        }
        return QTableWidget::edit(index, trigger, event);
    }

  private:
    std::function<void(int row)> m_pickCategory;
};

TaskEditor::TaskEditor(std::filesystem::path taskFile, CategoryPicker picker, QWidget* parent)
    : QDialog(parent), m_taskFile(std::move(taskFile)), m_picker(std::move(picker)) {
    setObjectName(QStringLiteral("taskEditor"));
    setWindowTitle(QString());
    resize(560, 420);

    m_usage = new QPlainTextEdit(this);
    m_usage->setObjectName(QStringLiteral("usageTextEdit"));
    m_usage->setReadOnly(true);
    m_usage->setPlainText(fromGbkLines(task::usageText()));
    m_usage->setFixedHeight(96);

    m_grid = new TaskGrid([this](int row) { pickCategory(row); }, this);
    m_grid->setObjectName(QStringLiteral("taskGrid"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);

    m_add = new QPushButton(fromGbk(text::gbk("添加一行")), this);
    m_add->setObjectName(QStringLiteral("addRowButton"));
    m_delete = new QPushButton(fromGbk(text::gbk("删除选中")), this);
    m_delete->setObjectName(QStringLiteral("deleteRowButton"));
    m_save = new QPushButton(fromGbk(text::gbk("保存配置")), this);
    m_save->setObjectName(QStringLiteral("saveButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_usage);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    // The header row, then the widths of the three value columns.
    m_grid->setColumnCount(task::kColumnCount);
    m_grid->setRowCount(1);
    const std::vector<std::string>& header = task::headerCaptions();
    for (int c = 0; c < task::kColumnCount; ++c) {
        auto* item = new QTableWidgetItem(fromGbk(header[static_cast<std::size_t>(c)]));
        item->setFlags(Qt::ItemIsEnabled);
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
        m_grid->setItem(0, c, item);
    }
    for (int c : {task::kKeywordColumn, task::kCategoryColumn, task::kStoreColumn}) {
        m_grid->setColumnWidth(c, kValueColumnWidth);
    }
    m_grid->setItemDelegateForColumn(task::kKindColumn, new KindDelegate(m_grid));
    m_grid->setItemDelegateForColumn(task::kPagesColumn, new PagesDelegate(m_grid));
    connect(m_grid, &QTableWidget::cellChanged, this, &TaskEditor::onItemChanged);
    connect(m_add, &QPushButton::clicked, this, &TaskEditor::addRow);
    connect(m_delete, &QPushButton::clicked, this, &TaskEditor::deleteCurrentRow);
    connect(m_save, &QPushButton::clicked, this, &TaskEditor::save);

    // The window paints before the rows arrive.
    QApplication::processEvents();
    for (const task::TaskRow& row : task::loadTaskRows(m_taskFile)) {
        appendRow(row);
        applyRowLock(m_grid->rowCount() - 1);
    }
}

QTableWidget* TaskEditor::grid() const { return m_grid; }

void TaskEditor::appendRow(const task::TaskRow& row) {
    m_filling = true;
    const int r = m_grid->rowCount();
    m_grid->insertRow(r);
    for (int c = 0; c < task::kColumnCount; ++c) {
        auto* item = new QTableWidgetItem(fromGbk(row.cell(c)));
        item->setForeground(kOpenColor);
        m_grid->setItem(r, c, item);
    }
    m_filling = false;
}

std::vector<task::TaskRow> TaskEditor::rows() const {
    std::vector<task::TaskRow> rows;
    for (int r = 1; r < m_grid->rowCount(); ++r) {
        task::TaskRow row;
        for (int c = 0; c < task::kColumnCount; ++c) {
            const QTableWidgetItem* item = m_grid->item(r, c);
            row.cell(c) = item != nullptr ? toGbk(item->text()) : std::string();
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void TaskEditor::applyRowLock(int row) {
    if (row < 1 || row >= m_grid->rowCount()) return;
    m_filling = true;
    for (int c = task::kKeywordColumn; c <= task::kStoreColumn; ++c) {
        QTableWidgetItem* item = m_grid->item(row, c);
        if (item == nullptr) continue;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        item->setForeground(kLockedColor);
    }
    const QTableWidgetItem* kind = m_grid->item(row, task::kKindColumn);
    const int open = task::valueColumnForCaption(kind != nullptr ? toGbk(kind->text()) : std::string());
    if (open > 0) {
        if (QTableWidgetItem* item = m_grid->item(row, open)) {
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            item->setForeground(kOpenColor);
        }
    }
    m_filling = false;
}

void TaskEditor::onItemChanged(int row, int column) {
    if (m_filling) return;
    if (column == task::kKindColumn) applyRowLock(row);
}

void TaskEditor::pickCategory(int row) {
    const PickedCategory picked = m_picker ? m_picker(this) : PickedCategory{};
    const std::string label = picked.name + " || " + std::to_string(picked.id);
    if (QTableWidgetItem* item = m_grid->item(row, task::kCategoryColumn)) item->setText(fromGbk(label));
}

void TaskEditor::addRow() { appendRow({}); }

void TaskEditor::deleteCurrentRow() {
    const int row = m_grid->currentRow();
    // The header row is not a task.
    if (row >= 1) m_grid->removeRow(row);
}

void TaskEditor::save() {
    const std::vector<task::TaskRow> rows = this->rows();
    QApplication::processEvents();
    // A file that could not be written must not be reported as saved: the
    // scheduler would go on running the old list.
    if (!task::saveTaskRows(m_taskFile, rows)) {
        const std::u8string path = m_taskFile.u8string();
        dialogs::showMessage(
            this, QStringLiteral("保存失败：") + QString::fromUtf8(reinterpret_cast<const char*>(path.data()),
                                                                   static_cast<qsizetype>(path.size())));
        return;
    }
    dialogs::showMessage(this, fromGbk(text::gbk("已完成。")));
}

}  // namespace shelfwatch::gui

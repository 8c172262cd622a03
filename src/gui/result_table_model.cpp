#include "gui/result_table_model.h"

#include "gui/qt_text.h"
#include "text/gbk_text.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>

namespace shelfwatch::gui {

ResultTableModel::ResultTableModel(table::ResultTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
    for (int c = 0; c < table::kColumnCount; ++c) {
        m_titles.append(fromGbk(m_table.columnTitle(c)));
    }
    m_timer.setSingleShot(true);
    m_timer.setInterval(kCoalesceMs);
    connect(&m_timer, &QTimer::timeout, this, &ResultTableModel::applyChanges);

    // The notifier runs on whichever thread wrote, possibly just after this
    // model is gone (the table calls a copy outside its lock), so it touches
    // only the application object and checks the model on the window thread.
    // The table calls it once per clean-to-changed step, so posts stay rare.
    QPointer<ResultTableModel> self(this);
    m_table.setChangeNotifier([self] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self) self->scheduleApply();
            },
            Qt::QueuedConnection);
    });
    // Rows that are already there (a table filled before the window existed).
    m_table.takeChanges();
    m_rowCount = m_table.rowCount();
}

ResultTableModel::~ResultTableModel() { m_table.setChangeNotifier({}); }

void ResultTableModel::scheduleApply() {
    if (!m_timer.isActive()) m_timer.start();
}

void ResultTableModel::applyChanges() {
    m_timer.stop();
    const table::ChangeSummary changes = m_table.takeChanges();
    const int newCount = std::max(0, changes.rowCount);
    if (changes.reset || newCount < m_rowCount) {
        beginResetModel();
        m_rowCount = newCount;
        endResetModel();
        emit tableReset();
        return;
    }
    const int oldCount = m_rowCount;
    if (newCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, newCount - 1);
        m_rowCount = newCount;
        endInsertRows();
    }
    // Freshly inserted rows are read anew by the view; only the old ones need telling.
    if (changes.firstDirty >= 0 && changes.firstDirty < oldCount) {
        const int last = std::min(std::max(changes.lastDirty, changes.firstDirty), oldCount - 1);
        emit dataChanged(index(changes.firstDirty, 0), index(last, table::kColumnCount - 1),
                         {Qt::DisplayRole});
    }
}

int ResultTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rowCount; }

int ResultTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table::kColumnCount;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rowCount) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    // A row the table lost to a clear not yet announced reads as empty.
    const std::string cell = m_table.cell(index.row(), index.column());
    if (cell.empty()) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    if (role == Qt::ToolTipRole && index.column() != table::kTitle) return {};
    return fromGbk(cell);
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= m_titles.size()) return {};
    return m_titles.at(section);
}

}  // namespace shelfwatch::gui

// The Qt view's adapter over the core ResultTable. Workers write the table
// directly; the table's change notifier only schedules an update on the model's
// thread, where the accumulated changes are taken in one step and announced as
// one row insertion, one dataChanged range, or a reset. rowCount() is therefore
// the count the view has been told about, never the live one, as Qt's models
// require. Use the model on its own (window) thread only.
#pragma once

#include "table/result_table.h"

#include <QAbstractTableModel>
#include <QTimer>

namespace shelfwatch::gui {

class ResultTableModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Changes arriving within this many milliseconds are announced together.
    static constexpr int kCoalesceMs = 40;

    explicit ResultTableModel(table::ResultTable& table, QObject* parent = nullptr);
    ~ResultTableModel() override;

    table::ResultTable& table() { return m_table; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Announces everything written so far at once (the timer does it otherwise).
    void applyChanges();

  signals:
    // After a reset: the rows the view knew are gone (a new query started).
    void tableReset();

  private:
    void scheduleApply();

    table::ResultTable& m_table;
    QTimer m_timer;
    int m_rowCount = 0;
    QStringList m_titles;
};

}  // namespace shelfwatch::gui

// The table view's adapter: worker writes reach the view coalesced, the model
// announces only what it has been told, clears reset it, and the view's
// selection is mirrored into the core table.
#include "gui/result_table_model.h"

#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QSignalSpy>
#include <QTableView>

#include <memory>
#include <thread>

using shelfwatch::gui::ResultTableModel;
using shelfwatch::testing::GuiHarness;
namespace table = shelfwatch::table;

class ResultTableModelTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_harness = std::make_unique<GuiHarness>(); }
    void cleanup() { m_harness.reset(); }

    void workerAppendsArriveAsOneInsertion_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("one") << 1;
        QTest::newRow("ten thousand") << 10000;
    }

    void workerAppendsArriveAsOneInsertion() {
        QFETCH(int, rows);
        ResultTableModel* model = m_harness->window.tableModel();
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        std::thread worker([&] {
            for (int i = 0; i < rows; ++i) {
                const int row = m_harness->table.appendRow();
                m_harness->table.setCell(row, table::kSeq, std::to_string(row));
            }
        });
        worker.join();
        // Nothing is announced until the window thread takes the changes.
        QCOMPARE(model->rowCount(), 0);
        QTRY_COMPARE(model->rowCount(), rows);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(model->index(rows - 1, table::kSeq).data().toString(), QString::number(rows - 1));
    }

    void rewritesAnnounceOneRange() {
        ResultTableModel* model = m_harness->window.tableModel();
        for (int i = 0; i < 100; ++i) m_harness->table.appendRow();
        model->applyChanges();
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        std::thread worker([&] {
            for (int r = 10; r < 60; ++r) {
                m_harness->table.setCell(r, table::kTitle, shelfwatch::text::gbk("宝贝标题"));
            }
        });
        worker.join();
        QTRY_COMPARE(changed.size(), 1);
        const QList<QVariant> args = changed.takeFirst();
        QCOMPARE(args.at(0).toModelIndex().row(), 10);
        QCOMPARE(args.at(1).toModelIndex().row(), 59);
        QCOMPARE(args.at(1).toModelIndex().column(), table::kColumnCount - 1);
        QCOMPARE(model->index(30, table::kTitle).data().toString(), QStringLiteral("宝贝标题"));
    }

    void clearResetsAndDropsSelection() {
        ResultTableModel* model = m_harness->window.tableModel();
        for (int i = 0; i < 20; ++i) m_harness->table.appendRow();
        model->applyChanges();
        QTableView* view = m_harness->window.tableView();
        view->selectRow(7);
        QCOMPARE(m_harness->table.selectedRow(), 7);

        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        // Cleared and refilled between two updates: one reset carries it all.
        m_harness->table.clear();
        for (int i = 0; i < 3; ++i) m_harness->table.appendRow();
        QTRY_COMPARE(reset.size(), 1);
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(m_harness->table.selectedRow(), -1);
        QVERIFY(!view->selectionModel()->hasSelection());
    }

    void cellsOfRowsClearedUnderTheViewReadEmpty() {
        ResultTableModel* model = m_harness->window.tableModel();
        for (int i = 0; i < 5; ++i) m_harness->table.appendRecord({std::to_string(i)});
        model->applyChanges();
        m_harness->table.clear();  // not yet taken by the model
        QCOMPARE(model->rowCount(), 5);
        QCOMPARE(model->index(4, table::kSeq).data().toString(), QString());
    }

    void selectionIsMirrored() {
        for (int i = 0; i < 4; ++i) m_harness->table.appendRow();
        m_harness->window.tableModel()->applyChanges();
        QTableView* view = m_harness->window.tableView();
        QCOMPARE(m_harness->table.selectedRow(), -1);
        view->selectRow(2);
        QCOMPARE(m_harness->table.selectedRow(), 2);
        view->selectRow(0);
        QCOMPARE(m_harness->table.selectedRow(), 0);
        view->clearSelection();
        QCOMPARE(m_harness->table.selectedRow(), -1);
    }

    void rowsPresentBeforeTheWindowAreShown() {
        table::ResultTable filled;
        for (int i = 0; i < 3; ++i) filled.appendRow();
        ResultTableModel model(filled);
        QCOMPARE(model.rowCount(), 3);
    }

  private:
    std::unique_ptr<GuiHarness> m_harness;
};

SHELFWATCH_GUI_TEST_MAIN(ResultTableModelTest)
#include "result_table_model_test.moc"

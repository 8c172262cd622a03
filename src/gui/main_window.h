// The program's main window: the result table on the left, the fixed-width
// control panel on the right (query inputs, command buttons, status and progress
// labels, the notice browser), the collection progress box and the table's
// right-click menu. Controls sit at their designed pixel positions; the resize
// handler keeps the panel on the right edge and lets the table and the notice
// browser follow the window. Every control event runs one handler of
// gui/handlers once a GuiContext is attached. Window thread only.
#pragma once

#include "panel/main_panel.h"
#include "table/result_table.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;

namespace shelfwatch::gui {

struct GuiContext;
class ResultTableModel;

class MainWindow final : public QWidget {
    Q_OBJECT

  public:
    struct Options {
        // The notice browser is a web engine view; without it a blank frame
        // stands in its place (benchmarks measure the table alone).
        bool noticeBrowser = true;
    };

    static constexpr int kPanelRightMargin = 2;
    static constexpr int kNoticeIntervalMs = 3600000;

    explicit MainWindow(table::ResultTable& table, Options options, QWidget* parent = nullptr);
    explicit MainWindow(table::ResultTable& table, QWidget* parent = nullptr)
        : MainWindow(table, Options{}, parent) {}
    ~MainWindow() override;

    // Connects every control to its handler; before this, clicks do nothing.
    void attach(GuiContext* context);

    // Status (标签3) and progress (标签5) labels, GBK texts kept byte for byte.
    std::string statusText() const { return m_statusRaw; }
    void setStatusText(const std::string& gbk);
    std::string progressText() const { return m_progressRaw; }
    void setProgressText(const std::string& gbk);
    void setCollectProgressVisible(bool visible);
    void setCollectProgressLines(const std::string& line1, const std::string& line2);

    QWidget* control(panel::Control control) const;
    QLineEdit* keywordEdit() const { return m_keywordEdit; }
    QLineEdit* pageCountEdit() const { return m_pageCountEdit; }
    QLineEdit* regionEdit() const { return m_regionEdit; }
    QComboBox* sortCombo() const { return m_sortCombo; }
    QComboBox* directionCombo() const { return m_directionCombo; }
    QCheckBox* localCookieCheck() const { return m_localCookieCheck; }
    QPushButton* searchButton() const { return m_searchButton; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QLabel* progressLabel() const { return m_progressLabel; }
    QGroupBox* controlPanel() const { return m_panel; }
    QGroupBox* collectProgressBox() const { return m_collectBox; }
    QWidget* noticeBrowser() const { return m_noticeBrowser; }
    QTableView* tableView() const { return m_tableView; }
    ResultTableModel* tableModel() const { return m_model; }
    QMenu* tableMenu() const { return m_tableMenu; }
    QTimer* noticeTimer() const { return m_noticeTimer; }

    // The table menu is popped up through this (tests observe it instead of
    // running a modal menu). Default: QMenu::exec at the position.
    using MenuPopup = std::function<void(QMenu& menu, const QPoint& globalPos)>;
    void setMenuPopup(MenuPopup popup);

    // The designed window: outer 795 x 630 at 50, 50, which under the designed
    // frame is a client area of 774 x 605.
    static constexpr int kDesignedLeft = 50;
    static constexpr int kDesignedTop = 50;
    static constexpr int kDesignedClientWidth = 774;
    static constexpr int kDesignedClientHeight = 605;

  signals:
    // The user closed the window: the program ends, whatever else is open.
    void closed();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildPanel();
    void buildTable();
    void relayout(int width, int height);
    void onTableContextMenu(const QPoint& viewportPos);
    void syncSelectedRow();

    table::ResultTable& m_table;
    GuiContext* m_context = nullptr;
    Options m_options;
    std::string m_statusRaw;
    std::string m_progressRaw;
    MenuPopup m_menuPopup;

    ResultTableModel* m_model = nullptr;
    QTableView* m_tableView = nullptr;
    QGroupBox* m_panel = nullptr;
    QGroupBox* m_collectBox = nullptr;
    QLabel* m_collectLine1 = nullptr;
    QLabel* m_collectLine2 = nullptr;
    QLineEdit* m_keywordEdit = nullptr;
    QLineEdit* m_pageCountEdit = nullptr;
    QLineEdit* m_regionEdit = nullptr;
    QCheckBox* m_localCookieCheck = nullptr;
    QComboBox* m_sortCombo = nullptr;
    QComboBox* m_directionCombo = nullptr;
    QPushButton* m_regionHelpButton = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_storeButton = nullptr;
    QPushButton* m_singleItemButton = nullptr;
    QPushButton* m_categoryKeywordButton = nullptr;
    QPushButton* m_categoryQueryButton = nullptr;
    QPushButton* m_listPageButton = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_taskButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_analysisButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_progressLabel = nullptr;
    QWidget* m_noticeBrowser = nullptr;
    QMenu* m_tableMenu = nullptr;
    QTimer* m_noticeTimer = nullptr;
};

}  // namespace shelfwatch::gui

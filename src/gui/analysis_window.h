// The analysis window ("数据分析"): the report page in an embedded browser and the
// two buttons that fill it, "使用当前数据" from the result table and "导入数据"
// from a workbook file. Each click runs its own statistics and hands the page a
// complete report through its script functions asd (chart series) and nr1 (table).
// Window thread only.
#pragma once

#include "item/listing_time.h"
#include "report/report_page.h"
#include "table/result_table.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <filesystem>

class QLabel;
class QPushButton;
class QTabWidget;
class QWebEngineView;

namespace shelfwatch::gui {

class AnalysisWindow final : public QDialog {
    Q_OBJECT

  public:
    AnalysisWindow(const table::ResultTable& table, const item::Clock& clock, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // The report page beside the program.
    static std::filesystem::path pagePath();

    // Where configs.ini is, for the prime hours of the best-hours marks
    // (without it the default hours apply).
    void setDataDir(std::filesystem::path dataDir) { m_dataDir = std::move(dataDir); }
    // A second tab beside the report, "变化对比" (the window takes the widget).
    void addChangesTab(QWidget* changes);
    QTabWidget* tabs() const { return m_tabs; }

    void useCurrentData();  // "使用当前数据"
    void importData();      // "导入数据"

    QWebEngineView* view() const { return m_view; }
    QString statusText() const;
    bool pageLoaded() const { return m_loaded; }
    // The scripts sent to the page so far, in order (for tests).
    QStringList sentScripts() const { return m_sent; }

  signals:
    void reportSent();

  protected:
    void done(int result) override;

  private:
    void sendReport(const report::Analysis& analysis);
    void runScript(const QString& script);

    const table::ResultTable& m_table;
    const item::Clock& m_clock;
    std::filesystem::path m_dataDir;
    QTabWidget* m_tabs = nullptr;
    QWebEngineView* m_view = nullptr;
    QPushButton* m_currentButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QLabel* m_status = nullptr;
    bool m_loaded = false;
    QStringList m_pending;
    QStringList m_sent;
};

}  // namespace shelfwatch::gui

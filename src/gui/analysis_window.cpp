#include "gui/analysis_window.h"

#include "config/data_dir.h"
#include "gui/dialogs.h"
#include "gui/qt_text.h"
#include "history/best_hours.h"
#include "report/listing_stats.h"
#include "report/report_page.h"
#include "report/workbook_reader.h"
#include "text/gbk_text.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace shelfwatch::gui {
namespace {

const std::string& analysingText() {
    static const std::string kText = text::gbk("分析中，请稍候。。。");
    return kText;
}

}  // namespace

AnalysisWindow::AnalysisWindow(const table::ResultTable& table, const item::Clock& clock, QWidget* parent)
    : QDialog(parent), m_table(table), m_clock(clock) {
    setWindowTitle(QStringLiteral("数据分析"));
    setModal(true);
    resize(1000, 760);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("analysisTabWidget"));
    m_tabs->setDocumentMode(true);
    auto* reportTab = new QWidget(m_tabs);
    m_view = new QWebEngineView(reportTab);
    m_view->setObjectName(QStringLiteral("reportWebEngineView"));
    auto* group = new QGroupBox(reportTab);
    m_currentButton = new QPushButton(QStringLiteral("使用当前数据"), group);
    m_currentButton->setObjectName(QStringLiteral("useCurrentDataPushButton"));
    m_importButton = new QPushButton(QStringLiteral("导入数据"), group);
    m_importButton->setObjectName(QStringLiteral("importDataPushButton"));
    m_status = new QLabel(group);
    m_status->setObjectName(QStringLiteral("statusLabel"));

    auto* buttons = new QHBoxLayout(group);
    buttons->addWidget(m_currentButton);
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_status, 1);
    auto* reportLayout = new QVBoxLayout(reportTab);
    reportLayout->setContentsMargins(0, 0, 0, 0);
    reportLayout->addWidget(m_view, 1);
    reportLayout->addWidget(group);
    m_tabs->addTab(reportTab, QStringLiteral("下架时间分析"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    connect(m_currentButton, &QPushButton::clicked, this, &AnalysisWindow::useCurrentData);
    connect(m_importButton, &QPushButton::clicked, this, &AnalysisWindow::importData);
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!ok || m_view->url().scheme() != QStringLiteral("file")) return;
        m_loaded = true;
        // A report asked for while the page was still loading goes out now.
        const QStringList pending = std::exchange(m_pending, {});
        for (const QString& script : pending) runScript(script);
    });

    const std::filesystem::path page = pagePath();
    m_view->load(QUrl::fromLocalFile(QString::fromStdU16String(page.u16string())));
}

AnalysisWindow::~AnalysisWindow() = default;

std::filesystem::path AnalysisWindow::pagePath() { return config::programDir() / "res" / "b.html"; }

QString AnalysisWindow::statusText() const { return m_status->text(); }

void AnalysisWindow::done(int result) {
    // The page is blanked as the window goes, so nothing of it runs on.
    m_loaded = false;
    m_pending.clear();
    m_view->setUrl(QUrl(QStringLiteral("about:blank")));
    QDialog::done(result);
}

void AnalysisWindow::useCurrentData() {
    m_status->setText(fromGbk(analysingText()));
    QCoreApplication::processEvents();
    const report::Analysis analysis = report::analyseTable(m_table, m_clock);
    if (!analysis.ok) {
        m_status->clear();
        dialogs::showMessage(this, fromGbk(analysis.message));
        return;
    }
    sendReport(analysis);
    m_status->clear();
}

void AnalysisWindow::addChangesTab(QWidget* changes) { m_tabs->addTab(changes, QStringLiteral("变化对比")); }

void AnalysisWindow::importData() {
    const QString file = dialogs::openFileName(this, QStringLiteral("导入数据"), QString(), QString());
    if (file.isEmpty()) return;
    const QString before = m_status->text();
    m_status->setText(fromGbk(analysingText()));
    QCoreApplication::processEvents();
    const std::filesystem::path path(file.toStdU16String());
    const report::Analysis analysis = report::analyse(
        [&path](report::ListingStats& stats, std::string& message) {
            const report::ImportResult imported = report::importWorkbookListings(path, stats);
            QCoreApplication::processEvents();
            message = imported.message;
            return imported.ok;
        },
        m_clock);
    if (!analysis.ok) {
        m_status->setText(before);
        dialogs::showMessage(this, fromGbk(analysis.message));
        return;
    }
    sendReport(analysis);
    m_status->clear();
}

void AnalysisWindow::sendReport(const report::Analysis& analysis) {
    report::Report report = analysis.report;
    const history::PrimeHours prime =
        m_dataDir.empty() ? history::PrimeHours{} : history::primeHoursSetting(m_dataDir);
    history::attachBestHours(report, analysis.grid,
                             history::bestHours(analysis.grid, prime, history::kShownBestHours));
    for (const std::string& script : report::reportScripts(report)) runScript(QString::fromStdString(script));
    emit reportSent();
}

void AnalysisWindow::runScript(const QString& script) {
    if (!m_loaded) {
        m_pending.append(script);
        return;
    }
    m_sent.append(script);
    m_view->page()->runJavaScript(script);
}

}  // namespace shelfwatch::gui

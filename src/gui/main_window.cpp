#include "gui/main_window.h"

#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/qt_text.h"
#include "gui/result_table_model.h"
#include "text/gbk_text.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableView>
#include <QTimer>
#include <QWebEngineView>

namespace shelfwatch::gui {
namespace {

// The designed positions assume the classic 12-pixel system font; at that size
// the toolkit's own metrics keep every caption inside its control.
constexpr int kFontPixels = 12;

template <typename W>
W* place(W* widget, const char* objectName, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* label = place(new QLabel(text, parent), name, x, y, w, h);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* button = place(new QPushButton(text, parent), name, x, y, w, h);
    button->setAutoDefault(false);
    return button;
}

// Label text baselines sit this far below the designed label tops, as in the
// original dialog units, so labels line up with the edit boxes beside them.
constexpr int kLabelNudge = 2;

}  // namespace

MainWindow::MainWindow(table::ResultTable& table, Options options, QWidget* parent)
    : QWidget(parent), m_table(table), m_options(options) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Shelfwatch V" SHELFWATCH_VERSION));
    QFont windowFont = font();
    windowFont.setPixelSize(kFontPixels);
    setFont(windowFont);

    m_menuPopup = [](QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); };

    buildTable();
    buildPanel();

    m_collectBox = place(new QGroupBox(QStringLiteral("商品数据采集进度"), this), "collectProgressGroupBox",
                         192, 224, 256, 66);
    m_collectLine1 = makeLabel(m_collectBox, "collectLine1Label", QString(), 8, 15, 240, 20);
    m_collectLine2 = makeLabel(m_collectBox, "collectLine2Label", QString(), 8, 39, 240, 20);
    m_collectBox->hide();

    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setObjectName(QStringLiteral("noticeTimer"));

    move(kDesignedLeft, kDesignedTop);
    resize(kDesignedClientWidth, kDesignedClientHeight);
    relayout(kDesignedClientWidth, kDesignedClientHeight);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildTable() {
    m_model = new ResultTableModel(m_table, this);
    m_tableView = place(new QTableView(this), "resultTableView", 0, 0, 568, 568);
    m_tableView->setModel(m_model);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setAlternatingRowColors(true);
    m_tableView->setWordWrap(false);
    m_tableView->setTextElideMode(Qt::ElideRight);
    m_tableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tableView->verticalHeader()->hide();
    // The designed column widths hold the longest date-time text ("2014年7月25日
    // 15时30分20秒") only with narrow digits; the CJK face's own digits are, at
    // one pixel below the window's size.
    QFont tableFont(QStringLiteral("Noto Sans CJK SC"));
    tableFont.setPixelSize(kFontPixels - 1);
    m_tableView->setFont(tableFont);
    // Fixed row heights keep a 100 000-row table as cheap as a short one.
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableView->verticalHeader()->setDefaultSectionSize(m_tableView->fontMetrics().height() + 2);
    QHeaderView* header = m_tableView->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    for (int c = 0; c < table::kColumnCount; ++c) {
        m_tableView->setColumnWidth(c, table::columnWidth(c));
    }

    m_tableMenu = new QMenu(this);
    m_tableMenu->setObjectName(QStringLiteral("tableContextMenu"));
    QAction* openUrl = m_tableMenu->addAction(QStringLiteral("打开网址"));
    openUrl->setObjectName(QStringLiteral("openUrlAction"));
    m_tableMenu->addSeparator();
    QAction* copyRow = m_tableMenu->addAction(QStringLiteral("复制此行"));
    copyRow->setObjectName(QStringLiteral("copyRowAction"));
    m_tableMenu->addSeparator();
    QAction* collect = m_tableMenu->addAction(QStringLiteral("采集商品数据"));
    collect->setObjectName(QStringLiteral("collectItemAction"));

    connect(m_tableView, &QWidget::customContextMenuRequested, this, &MainWindow::onTableContextMenu);
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::syncSelectedRow);
    // A reset drops the selection without a selectionChanged signal.
    connect(m_model, &ResultTableModel::tableReset, this, &MainWindow::syncSelectedRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::syncSelectedRow);
}

void MainWindow::buildPanel() {
    m_panel = place(new QGroupBox(this), "controlPanelGroupBox", 582, -3, 190, 605);
    QWidget* p = m_panel;

    makeLabel(p, "keywordLabel", QStringLiteral("关键词"), 5, 12 + kLabelNudge, 50, 24);
    m_keywordEdit = place(new QLineEdit(p), "keywordLineEdit", 45, 13, 136, 21);

    // The page-count box sits inside the spaces of its caption, which only works
    // with half-width spaces as in the classic system font: a monospaced face
    // gives them that width.
    QLabel* pageCountLabel =
        makeLabel(p, "pageCountLabel", QStringLiteral("获取前        页"), 5, 38 + kLabelNudge, 125, 24);
    QFont monoFont(QStringLiteral("Noto Sans Mono CJK SC"));
    monoFont.setStyleHint(QFont::TypeWriter);
    monoFont.setPixelSize(kFontPixels);
    pageCountLabel->setFont(monoFont);
    m_pageCountEdit = place(new QLineEdit(p), "pageCountLineEdit", 45, 40, 37, 21);
    // The caption needs more than the designed 73 pixels at any readable size:
    // the box reaches to the panel's edge, in a narrower face, clear of "页".
    m_localCookieCheck =
        place(new QCheckBox(QStringLiteral("启动本地cookie"), p), "localCookieCheckBox", 102, 39, 86, 24);
    QFont cookieFont(QStringLiteral("DejaVu Sans Condensed"));
    cookieFont.setPixelSize(kFontPixels - 2);
    m_localCookieCheck->setFont(cookieFont);
    m_localCookieCheck->setStyleSheet(QStringLiteral("QCheckBox { spacing: 1px; }"));

    makeLabel(p, "sortLabel", QStringLiteral("排序"), 5, 67 + kLabelNudge, 32, 16);
    m_sortCombo = place(new QComboBox(p), "sortComboBox", 45, 67, 54, 20);
    m_sortCombo->addItems({QStringLiteral("默认"), QStringLiteral("人气"), QStringLiteral("销量"),
                           QStringLiteral("信用"), QStringLiteral("时间"), QStringLiteral("价格")});
    m_directionCombo = place(new QComboBox(p), "directionComboBox", 106, 67, 79, 20);
    m_directionCombo->addItems({QStringLiteral("从高到低"), QStringLiteral("从低到高")});

    makeLabel(p, "regionLabel", QStringLiteral("地区"), 7, 91 + kLabelNudge, 50, 24);
    m_regionEdit = place(new QLineEdit(p), "regionLineEdit", 45, 92, 117, 21);
    m_regionHelpButton = makeButton(p, "regionHelpPushButton", QStringLiteral(".."), 166, 93, 20, 19);
    makeLabel(p, "regionHintLabel", QStringLiteral("输城市或省份名，以英文逗号分割"), 4, 115, 180, 16);

    m_searchButton = makeButton(p, "searchPushButton", QStringLiteral("查关键字"), 9, 140, 83, 25);
    m_storeButton = makeButton(p, "storePushButton", QStringLiteral("查询店铺"), 97, 140, 83, 25);
    m_singleItemButton =
        makeButton(p, "singleItemPushButton", QStringLiteral("查询单个商品"), 9, 168, 83, 25);
    m_categoryKeywordButton =
        makeButton(p, "categoryKeywordPushButton", QStringLiteral("查分类关键字"), 97, 169, 83, 25);
    m_categoryQueryButton =
        makeButton(p, "categoryQueryPushButton", QStringLiteral("查询分类"), 9, 197, 83, 25);
    m_listPageButton = makeButton(p, "listPagePushButton", QStringLiteral("按列表页查询"), 97, 197, 83, 25);
    m_refreshButton = makeButton(p, "refreshPushButton", QStringLiteral("刷新失败项目"), 9, 225, 83, 25);
    m_taskButton = makeButton(p, "taskPushButton", QStringLiteral("任务模式设定"), 97, 225, 83, 25);
    m_exportButton = makeButton(p, "exportPushButton", QStringLiteral("导 出"), 9, 255, 83, 25);
    m_analysisButton = makeButton(p, "analysisPushButton", QStringLiteral("报表分析"), 97, 255, 83, 25);

    m_statusLabel = makeLabel(p, "statusLabel", QString(), 7, 283, 171, 40);
    m_statusLabel->setWordWrap(true);
    // Three lines in 40 pixels: one pixel smaller keeps the last line whole.
    QFont statusFont = font();
    statusFont.setPixelSize(kFontPixels - 1);
    m_statusLabel->setFont(statusFont);
    setStatusText(text::gbk("准备就绪。\r\n请点击上方按钮执行操作\r\n查找地区功能暂只能搜关键字"));
    m_progressLabel = makeLabel(p, "progressLabel", QString(), 7, 323, 171, 15);
    setProgressText(text::gbk("用户交流群：见下方公告"));

    if (m_options.noticeBrowser) {
        auto* view = new QWebEngineView(p);
        // The page's own browser menu (back, reload, view source) is not offered.
        view->setContextMenuPolicy(Qt::NoContextMenu);
        m_noticeBrowser = view;
    } else {
        auto* frame = new QFrame(p);
        frame->setFrameShape(QFrame::StyledPanel);
        m_noticeBrowser = frame;
    }
    place(m_noticeBrowser, "noticeWebEngineView", 1, 340, 188, 265);
}

void MainWindow::attach(GuiContext* context) {
    if (m_context) return;
    m_context = context;
    auto run = [this](void (*handler)(GuiContext&)) {
        return [this, handler] {
            if (m_context) handler(*m_context);
        };
    };
    connect(m_keywordEdit, &QLineEdit::returnPressed, this, run(&handlers::onKeywordReturnPressed));
    connect(m_searchButton, &QPushButton::clicked, this, run(&handlers::onKeywordSearchClicked));
    connect(m_regionHelpButton, &QPushButton::clicked, this, run(&handlers::onRegionHelpClicked));
    connect(m_storeButton, &QPushButton::clicked, this, run(&handlers::onStoreQueryClicked));
    connect(m_singleItemButton, &QPushButton::clicked, this, run(&handlers::onSingleItemClicked));
    connect(m_categoryKeywordButton, &QPushButton::clicked, this, run(&handlers::onCategoryKeywordClicked));
    connect(m_categoryQueryButton, &QPushButton::clicked, this, run(&handlers::onCategoryQueryClicked));
    connect(m_listPageButton, &QPushButton::clicked, this, run(&handlers::onListPageClicked));
    connect(m_refreshButton, &QPushButton::clicked, this, run(&handlers::onRefreshFailedClicked));
    connect(m_taskButton, &QPushButton::clicked, this, run(&handlers::onTaskEditorClicked));
    connect(m_exportButton, &QPushButton::clicked, this, run(&handlers::onExportClicked));
    connect(m_analysisButton, &QPushButton::clicked, this, run(&handlers::onAnalysisClicked));
    connect(m_localCookieCheck, &QCheckBox::clicked, this, [this](bool checked) {
        if (m_context) handlers::onLocalCookieClicked(*m_context, checked);
    });
    connect(m_noticeTimer, &QTimer::timeout, this, run(&handlers::onNoticeTimer));

    const QList<QAction*> actions = m_tableMenu->actions();
    // Entries and separators in order: 打开网址, -, 复制此行, -, 采集商品数据.
    connect(actions.at(0), &QAction::triggered, this, run(&handlers::onOpenRowUrl));
    connect(actions.at(2), &QAction::triggered, this, run(&handlers::onCopyRow));
    connect(actions.at(4), &QAction::triggered, this, run(&handlers::onCollectItem));
    connect(m_tableView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_context && index.isValid()) handlers::onTableDoubleClicked(*m_context, index.row());
    });
}

void MainWindow::setStatusText(const std::string& gbk) {
    m_statusRaw = gbk;
    m_statusLabel->setText(fromGbkLines(gbk));
}

void MainWindow::setProgressText(const std::string& gbk) {
    m_progressRaw = gbk;
    m_progressLabel->setText(fromGbkLines(gbk));
}

void MainWindow::setCollectProgressVisible(bool visible) {
    m_collectBox->setVisible(visible);
    if (visible) m_collectBox->raise();
}

void MainWindow::setCollectProgressLines(const std::string& line1, const std::string& line2) {
    m_collectLine1->setText(fromGbkLines(line1));
    m_collectLine2->setText(fromGbkLines(line2));
}

QWidget* MainWindow::control(panel::Control control) const {
    using panel::Control;
    switch (control) {
        case Control::KeywordEdit:
            return m_keywordEdit;
        case Control::PageCountEdit:
            return m_pageCountEdit;
        case Control::RegionEdit:
            return m_regionEdit;
        case Control::SortCombo:
            return m_sortCombo;
        case Control::DirectionCombo:
            return m_directionCombo;
        case Control::LocalCookieCheck:
            return m_localCookieCheck;
        case Control::SearchButton:
            return m_searchButton;
        case Control::StoreButton:
            return m_storeButton;
        case Control::SingleItemButton:
            return m_singleItemButton;
        case Control::CategoryKeywordButton:
            return m_categoryKeywordButton;
        case Control::CategoryQueryButton:
            return m_categoryQueryButton;
        case Control::ListPageButton:
            return m_listPageButton;
        case Control::RefreshButton:
            return m_refreshButton;
        case Control::TaskButton:
            return m_taskButton;
        case Control::ExportButton:
            return m_exportButton;
        case Control::AnalysisButton:
            return m_analysisButton;
        case Control::RegionHelpButton:
            return m_regionHelpButton;
        case Control::ResultTable:
            return m_tableView;
    }
    return nullptr;
}

void MainWindow::setMenuPopup(MenuPopup popup) { m_menuPopup = std::move(popup); }

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout(event->size().width(), event->size().height());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void MainWindow::relayout(int width, int height) {
    // Integer arithmetic with no minimum: a tiny window gives empty controls.
    const int panelLeft = width - m_panel->width() - kPanelRightMargin;
    const QRect panelRect(panelLeft, m_panel->y(), m_panel->width(), height);
    if (m_panel->geometry() != panelRect) m_panel->setGeometry(panelRect);

    const int tableTop = m_tableView->y();
    const QRect tableRect(1, tableTop, panelLeft - 2, height - tableTop - 1);
    if (m_tableView->geometry() != tableRect) m_tableView->setGeometry(tableRect);

    const QRect browser = m_noticeBrowser->geometry();
    const QRect browserRect(browser.x(), browser.y(), browser.width(), height - browser.y());
    if (browser != browserRect) m_noticeBrowser->setGeometry(browserRect);
}

void MainWindow::onTableContextMenu(const QPoint& viewportPos) {
    if (m_table.selectedRow() < 0) return;
    m_menuPopup(*m_tableMenu, m_tableView->viewport()->mapToGlobal(viewportPos));
}

void MainWindow::syncSelectedRow() {
    const QModelIndexList rows = m_tableView->selectionModel()->selectedRows();
    m_table.setSelectedRow(rows.isEmpty() ? -1 : rows.first().row());
}

}  // namespace shelfwatch::gui

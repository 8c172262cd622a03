// The main window as designed: controls, texts, positions, the table columns,
// the resize rule and the table's right-click menu.
#include "gui/result_table_model.h"
#include "text/gbk_text.h"

#include "gui_harness.h"
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTimer>

#include <memory>

using shelfwatch::gui::MainWindow;
using shelfwatch::testing::GuiHarness;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_harness = std::make_unique<GuiHarness>(); }
    void cleanup() { m_harness.reset(); }

    void caption() {
        QCOMPARE(window().windowTitle(), QStringLiteral("Shelfwatch V" SHELFWATCH_VERSION));
        QVERIFY(!window().isVisible());  // created hidden; the start-up shows it
    }

    void controlsAsDesigned_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* cls, QRect rect, const QString& text) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << rect << text;
        };
        row("keywordLabel", "QLabel", {5, 14, 50, 24}, QStringLiteral("关键词"));
        row("keywordLineEdit", "QLineEdit", {45, 13, 136, 21}, QString());
        row("pageCountLabel", "QLabel", {5, 40, 125, 24}, QStringLiteral("获取前        页"));
        row("pageCountLineEdit", "QLineEdit", {45, 40, 37, 21}, QString());
        // Widened to the panel's edge: the caption cannot fit the designed 73 pixels.
        row("localCookieCheckBox", "QCheckBox", {102, 39, 86, 24}, QStringLiteral("启动本地cookie"));
        row("sortLabel", "QLabel", {5, 69, 32, 16}, QStringLiteral("排序"));
        row("sortComboBox", "QComboBox", {45, 67, 54, 20}, QStringLiteral("默认"));
        row("directionComboBox", "QComboBox", {106, 67, 79, 20}, QStringLiteral("从高到低"));
        row("regionLabel", "QLabel", {7, 93, 50, 24}, QStringLiteral("地区"));
        row("regionLineEdit", "QLineEdit", {45, 92, 117, 21}, QString());
        row("regionHelpPushButton", "QPushButton", {166, 93, 20, 19}, QStringLiteral(".."));
        row("regionHintLabel", "QLabel", {4, 115, 180, 16}, QStringLiteral("输城市或省份名，以英文逗号分割"));
        row("searchPushButton", "QPushButton", {9, 140, 83, 25}, QStringLiteral("查关键字"));
        row("storePushButton", "QPushButton", {97, 140, 83, 25}, QStringLiteral("查询店铺"));
        row("singleItemPushButton", "QPushButton", {9, 168, 83, 25}, QStringLiteral("查询单个商品"));
        row("categoryKeywordPushButton", "QPushButton", {97, 169, 83, 25}, QStringLiteral("查分类关键字"));
        row("categoryQueryPushButton", "QPushButton", {9, 197, 83, 25}, QStringLiteral("查询分类"));
        row("listPagePushButton", "QPushButton", {97, 197, 83, 25}, QStringLiteral("按列表页查询"));
        row("refreshPushButton", "QPushButton", {9, 225, 83, 25}, QStringLiteral("刷新失败项目"));
        row("taskPushButton", "QPushButton", {97, 225, 83, 25}, QStringLiteral("任务模式设定"));
        row("exportPushButton", "QPushButton", {9, 255, 83, 25}, QStringLiteral("导 出"));
        row("analysisPushButton", "QPushButton", {97, 255, 83, 25}, QStringLiteral("报表分析"));
        row("statusLabel", "QLabel", {7, 283, 171, 40},
            QStringLiteral("准备就绪。\n请点击上方按钮执行操作\n查找地区功能暂只能搜关键字"));
        row("progressLabel", "QLabel", {7, 323, 171, 15}, QStringLiteral("用户交流群：见下方公告"));
        row("noticeWebEngineView", "QWebEngineView", {1, 340, 188, 265}, QString());
    }

    void controlsAsDesigned() {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QWidget* widget = window().controlPanel()->findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        QCOMPARE(widget->geometry(), geometry);
        if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), text);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) QCOMPARE(edit->text(), text);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) QCOMPARE(combo->currentText(), text);
    }

    // Captions must fit their controls at the toolkit's own font metrics.
    void captionsFit() {
        const QList<QWidget*> widgets = window().findChildren<QWidget*>();
        int checked = 0;
        for (QWidget* widget : widgets) {
            const QFontMetrics metrics = widget->fontMetrics();
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                const QStringList lines = label->text().split(QLatin1Char('\n'));
                for (const QString& line : lines) {
                    QVERIFY2(metrics.horizontalAdvance(line) <= label->width(),
                             qPrintable(label->objectName() + QLatin1Char(' ') + line));
                }
                QVERIFY2(lines.size() * metrics.height() <= label->height() + 1,
                         qPrintable(label->objectName()));
                ++checked;
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QStyleOptionButton option;
                option.initFrom(button);
                const QRect contents =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                QVERIFY2(metrics.horizontalAdvance(button->text()) <= contents.width(),
                         qPrintable(button->objectName()));
                QVERIFY2(metrics.height() <= contents.height() + 2, qPrintable(button->objectName()));
                ++checked;
            } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
                QVERIFY2(check->sizeHint().width() <= check->width(),
                         qPrintable(check->objectName() + QLatin1Char(' ') +
                                    QString::number(check->sizeHint().width())));
                ++checked;
            } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                QVERIFY2(combo->minimumSizeHint().width() <= combo->width() + 2,
                         qPrintable(combo->objectName()));
                ++checked;
            }
        }
        QVERIFY(checked >= 20);
    }

    void comboItems_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("sort") << QStringLiteral("sortComboBox")
                              << QStringList{QStringLiteral("默认"), QStringLiteral("人气"),
                                             QStringLiteral("销量"), QStringLiteral("信用"),
                                             QStringLiteral("时间"), QStringLiteral("价格")};
        QTest::newRow("direction") << QStringLiteral("directionComboBox")
                                   << QStringList{QStringLiteral("从高到低"), QStringLiteral("从低到高")};
    }

    void comboItems() {
        QFETCH(QString, name);
        QFETCH(QStringList, items);
        auto* combo = window().findChild<QComboBox*>(name);
        QVERIFY(combo);
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i) actual << combo->itemText(i);
        QCOMPARE(actual, items);
    }

    void statusKeepsLineBreaksByteForByte() {
        const std::string designed =
            shelfwatch::text::gbk("准备就绪。\r\n请点击上方按钮执行操作\r\n查找地区功能暂只能搜关键字");
        QCOMPARE(window().statusText(), designed);
        QCOMPARE(m_harness->panel.status(), designed);
    }

    void windowLevelControls() {
        QGroupBox* panel = window().controlPanel();
        QCOMPARE(panel->objectName(), QStringLiteral("controlPanelGroupBox"));
        QCOMPARE(panel->title(), QString());
        QCOMPARE(panel->width(), 190);
        QCOMPARE(panel->y(), -3);
        QGroupBox* collect = window().collectProgressBox();
        QCOMPARE(collect->geometry(), QRect(192, 224, 256, 66));
        QCOMPARE(collect->title(), QStringLiteral("商品数据采集进度"));
        QVERIFY(collect->isHidden());
        QCOMPARE(collect->findChild<QLabel*>(QStringLiteral("collectLine1Label"))->geometry(),
                 QRect(8, 15, 240, 20));
        QCOMPARE(collect->findChild<QLabel*>(QStringLiteral("collectLine2Label"))->geometry(),
                 QRect(8, 39, 240, 20));
        QCOMPARE(window().noticeBrowser()->contextMenuPolicy(), Qt::NoContextMenu);
    }

    void tableColumns() {
        QTableView* view = window().tableView();
        const QStringList titles{
            QStringLiteral("序号"),     QStringLiteral("标题"),     QStringLiteral("地址"),
            QStringLiteral("店主"),     QStringLiteral("开始日期"), QStringLiteral("结束日期"),
            QStringLiteral("剩余分钟"), QStringLiteral("当前销量"), QStringLiteral("剩余库存"),
            QStringLiteral("商城"),     QStringLiteral("商品售价"), QStringLiteral("所在地")};
        const int widths[] = {40, 150, 100, 100, 135, 135, 80, 80, 80, 50, 70, 70};
        QCOMPARE(view->model()->columnCount(), 12);
        for (int c = 0; c < 12; ++c) {
            QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(), titles.at(c));
            QCOMPARE(view->columnWidth(c), widths[c]);
        }
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void resizeRule_data() {
        QTest::addColumn<QSize>("client");
        QTest::newRow("designed") << QSize(774, 605);
        QTest::newRow("wide") << QSize(1280, 800);
        QTest::newRow("narrow") << QSize(400, 450);
        QTest::newRow("small") << QSize(300, 350);
    }

    void resizeRule() {
        QFETCH(QSize, client);
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        window().resize(client);
        QCOMPARE(window().size(), client);
        const int w = client.width();
        const int h = client.height();
        QGroupBox* panel = window().controlPanel();
        QCOMPARE(panel->geometry(), QRect(w - 192, -3, 190, h));
        const QRect table = window().tableView()->geometry();
        QCOMPARE(table.x(), 1);
        QCOMPARE(table.y(), 0);
        QCOMPARE(table.width(), w - 194);
        QCOMPARE(table.height(), h - 1);
        QCOMPARE(window().noticeBrowser()->geometry(), QRect(1, 340, 188, h - 340));
    }

    void rightClickMenu_data() {
        QTest::addColumn<int>("selectRow");
        QTest::addColumn<bool>("menuShown");
        QTest::newRow("no selection") << -1 << false;
        QTest::newRow("first row selected") << 0 << true;
        QTest::newRow("last row selected") << 4 << true;
    }

    void rightClickMenu() {
        QFETCH(int, selectRow);
        QFETCH(bool, menuShown);
        for (int i = 0; i < 5; ++i) m_harness->table.appendRow();
        window().tableModel()->applyChanges();
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));

        int popups = 0;
        QPoint popupAt;
        QStringList entries;
        window().setMenuPopup([&](QMenu& menu, const QPoint& globalPos) {
            ++popups;
            popupAt = globalPos;
            for (QAction* action : menu.actions()) {
                entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
        });
        QTableView* view = window().tableView();
        if (selectRow >= 0) view->selectRow(selectRow);
        QCOMPARE(m_harness->table.selectedRow(), selectRow);

        const QPoint local(30, 5);
        const QPoint global = view->viewport()->mapToGlobal(local);
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, global);
        QApplication::sendEvent(view->viewport(), &event);

        QCOMPARE(popups, menuShown ? 1 : 0);
        if (menuShown) {
            QCOMPARE(popupAt, global);
            QCOMPARE(entries,
                     (QStringList{QStringLiteral("打开网址"), QStringLiteral("-"), QStringLiteral("复制此行"),
                                  QStringLiteral("-"), QStringLiteral("采集商品数据")}));
        }
    }

    void noticeTimerWaitsForStartUp() { QVERIFY(!window().noticeTimer()->isActive()); }

  private:
    MainWindow& window() { return m_harness->window; }
    std::unique_ptr<GuiHarness> m_harness;
};

SHELFWATCH_GUI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

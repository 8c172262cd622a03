// The picture preview against the simulator's pictures, and the table menu's
// copy text and address check.
#include "gui/handlers/handlers.h"
#include "gui/preview_window.h"
#include "gui/qt_text.h"
#include "net/cookie_jar.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "desc_pages.h"
#include "gui_harness.h"
#include "market_sim.h"
#include "support/simulated_market.h"
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <memory>

namespace shelfwatch {

using text::gbk;

class PreviewTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::SimulatedMarket> m_market;
    net::CookieJar m_cookies;
    std::unique_ptr<net::CurlFetcher> m_fetcher;

    // An item page whose main picture is /img/<picture>.
    std::string pageFor(const std::string& picture) {
        const std::string path = "/preview/" + picture + ".htm";
        const std::string host = m_market->server.host();
        m_market->server.route(path, [host, picture](const sim::Request&) {
            sim::Response response;
            response.body = "<img src=\"http://" + host +
                            "/img/wrong.jpg\"><div id=\"J_ImgBooth\"><img src=\"http://" + host + "/img/" +
                            picture + "\"></div>";
            return response;
        });
        return "http://" + host + path;
    }

    int tempFiles() const {
        return static_cast<int>(QDir(QDir::tempPath()).entryList({"shelfwatch-*"}, QDir::Files).size());
    }

  private slots:
    void initTestCase() {
        m_market = std::make_unique<testing::SimulatedMarket>();
        QVERIFY(m_market->start());
        m_fetcher = std::make_unique<net::CurlFetcher>(m_cookies);
    }

    void sizesFailuresAndTheKeptPicture() {
        gui::PreviewWindow window(*m_fetcher);
        const int tempBefore = tempFiles();

        window.showItemPicture(pageFor("big550.jpg"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.size(), QSize(550, 550));
        QVERIFY(!window.messageLabel()->isVisible());
        QVERIFY(!window.busyIndicator()->isVisible());
        QCOMPARE(window.pictureBoard()->geometry(), QRect(1, 1, 548, 548));
        const QImage first = window.pictureBoard()->pixmap().toImage();
        QCOMPARE(first.size(), QSize(550, 550));

        window.showItemPicture(pageFor("wide551.png"));
        QCOMPARE(window.size(), QSize(275, 150));
        QCOMPARE(window.pictureBoard()->pixmap().size(), QSize(551, 300));

        window.showItemPicture(pageFor("a/tiny.gif"));
        QCOMPARE(window.size(), QSize(8, 8));
        window.showItemPicture(pageFor("big550.jpg"));

        struct Case {
            std::string picture;
            std::string label;
        };
        const std::vector<Case> cases = {
            {"missing.jpg", "获取图片失败。请重试"},
            {"notimage.jpg", "转换验证码图片失败！该文件格式不被支持"},
            {"truncated.jpg", "转换验证码图片失败！ 未知错误"},
            {"bomb.png", "转换验证码图片失败！ 系统资源不足"},
        };
        for (const Case& c : cases) {
            window.showItemPicture(pageFor(c.picture));
            QVERIFY2(window.messageLabel()->isVisible(), c.picture.c_str());
            QCOMPARE(window.messageLabel()->text(), QString::fromStdString(c.label));
            QVERIFY(!window.busyIndicator()->isVisible());
            // The previous picture stays on the board.
            QCOMPARE(window.pictureBoard()->pixmap().toImage(), first);
        }
        QCOMPARE(tempFiles(), tempBefore);
        // The documentation's picture: a kept picture under a failure label.
        if (const QByteArray dir = qgetenv("SHELFWATCH_SCREENSHOT_DIR"); !dir.isEmpty())
            QVERIFY(window.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/preview-window.png")));
    }

    void reasonTextsByteForByte() {
        const std::vector<std::pair<int, std::string>> reasons = {
            {0, " 未知错误"},   {-1, "文件不存在"},         {-2, " 系统资源不足"}, {-3, "该文件格式不被支持"},
            {-4, "编码时出错"}, {-5, "编码时系统资源不足"}, {-6, "编码参数错误"},  {-9, " 未知错误"},
        };
        for (const auto& [code, reason] : reasons) QCOMPARE(gui::convertReason(code), gbk(reason));
        QCOMPARE(gui::convertToBitmap(QStringLiteral("/nonexistent/x.jpg"), QStringLiteral("/tmp/x.bmp")),
                 static_cast<int>(gui::kConvertNoFile));
    }

    void noSelectionOpensNoWindow() {
        testing::GuiHarness harness;
        harness.table.appendRow();
        harness.table.setSelectedRow(-1);
        gui::handlers::onTableDoubleClicked(harness.context, 0);
        QVERIFY(harness.window.findChild<gui::PreviewWindow*>() == nullptr);
    }

    void copyTextAndOpenableAddresses() {
        table::ResultTable table;
        const int empty = table.appendRow();
        QCOMPARE(gui::handlers::rowCopyText(table, empty),
                 gbk("序号：\r\n标题：\r\n地址：\r\n店主：\r\n开始日期：\r\n结束日期：\r\n剩余分钟：\r\n当前"
                     "销量：\r\n剩余库存：\r\n商城：\r\n商品售价：\r\n所在地：\r\n"));
        const int row = table.appendRow();
        table.setCell(row, table::kSeq, "2");
        table.setCell(row, table::kTitle, gbk("两行\r\n标题"));
        const std::string text = gui::handlers::rowCopyText(table, row);
        QVERIFY(text.rfind(gbk("序号：2\r\n标题：两行\r\n标题\r\n地址：\r\n"), 0) == 0);

        struct Case {
            std::string address;
            bool opened;
        };
        const std::vector<Case> cases = {
            {"http://item.taobao.com/item.htm?id=1", true},
            {"HTTPS://detail.tmall.com/item.htm?id=1", true},
            {"//item.taobao.com/item.htm?id=1", true},
            {"file:///etc/passwd", false},
            {"javascript:alert(1)", false},
            {"/usr/bin/xterm", false},
            {"item.taobao.com/item.htm", false},
        };
        for (const Case& c : cases) QCOMPARE(gui::handlers::isOpenableAddress(c.address), c.opened);
    }

    void cleanupTestCase() { m_market.reset(); }
};

}  // namespace shelfwatch

SHELFWATCH_GUI_TEST_MAIN(shelfwatch::PreviewTest)
#include "preview_test.moc"

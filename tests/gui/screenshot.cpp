// Renders the main window with a few hundred rows of typical results into a PNG
// (docs/main-window.png), so its look can be reviewed without running a query.
// Usage: gui_screenshot OUTPUT.png   (under xvfb-run or QT_QPA_PLATFORM=offscreen)
#include "gui/main_window.h"
#include "gui/result_table_model.h"
#include "gui/startup.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <QApplication>
#include <QPixmap>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace shelfwatch;
    gui::prepareProcessEnvironment(argc, argv);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: gui_screenshot OUTPUT.png\n", stderr);
        return 2;
    }

    const char* titles[] = {"夏季新款韩版修身显瘦连衣裙女装中长款雪纺裙子",
                            "纯棉短袖T恤男士圆领宽松半袖",
                            "正品保温杯男女士304不锈钢便携水杯",
                            "家用多功能电饭煲3L智能预约",
                            "儿童益智积木玩具拼装大颗粒",
                            "无线蓝牙耳机运动入耳式超长待机"};
    const char* sellers[] = {"杭州女装旗舰店", "潮男衣橱",   "居家好物铺",
                             "电器直营店",     "童趣玩具屋", "数码先锋"};
    const char* places[] = {"浙江 杭州", "广东 广州", "上海", "江苏 苏州", "福建 泉州", "北京"};
    const char* prices[] = {"128.00", "39.90 - 59.90", "89.00 -> 69.00", "299.00", "45.50", "159.00"};

    table::ResultTable table;
    for (int i = 0; i < 300; ++i) {
        const int row = table.appendRow();
        const int k = i % 6;
        table.setCell(row, table::kSeq, std::to_string(row));
        table.setCell(row, table::kUrl,
                      "http://item.taobao.com/item.htm?id=" + std::to_string(36012345678LL + i * 7919));
        if (i % 17 == 5) continue;  // a row whose details could not be fetched
        const int day = 25 + (i / 24) % 6;
        const int hour = (i * 5) % 24;
        table.setCell(row, table::kTitle, text::gbk(titles[k]));
        table.setCell(row, table::kSeller, text::gbk(sellers[k]));
        table.setCell(
            row, table::kStartTime,
            text::gbk("2014年7月" + std::to_string(day - 7 < 1 ? 18 : day - 7) + "日" + std::to_string(hour) +
                      "时" + std::to_string((i * 13) % 60) + "分" + std::to_string(1 + (i * 7) % 59) + "秒"));
        table.setCell(
            row, table::kEndTime,
            text::gbk("2014年7月" + std::to_string(day) + "日" + std::to_string(hour) + "时" +
                      std::to_string((i * 13) % 60) + "分" + std::to_string(1 + (i * 7) % 59) + "秒"));
        table.setCell(row, table::kMinutesLeft, std::to_string((i * 97) % 10080));
        table.setCell(row, table::kSales, std::to_string((i * 37) % 2000));
        table.setCell(row, table::kStock, std::to_string((i * 53) % 900));
        table.setCell(row, table::kIsMall, text::gbk(k % 2 ? "假" : "真"));
        table.setCell(row, table::kPrice, prices[k]);
        table.setCell(row, table::kLocation, text::gbk(places[k]));
    }

    gui::MainWindow window(table);
    window.setStatusText(text::gbk("完成操作。"));
    window.setProgressText(text::gbk("进度： 300 / 300"));
    window.show();
    window.tableModel()->applyChanges();
    window.tableView()->selectRow(3);
    QTest::qWait(500);
    const QPixmap shot = window.grab();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

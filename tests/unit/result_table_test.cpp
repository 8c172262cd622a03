#include "table/result_table.h"

#include "panel/headless_panel.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace table = shelfwatch::table;
namespace text = shelfwatch::text;
namespace panel = shelfwatch::panel;

namespace {

TEST(ResultTable, ColumnsAndFields) {
    const char* titles[] = {"序号",     "标题",     "地址",     "店主", "开始日期", "结束日期",
                            "剩余分钟", "当前销量", "剩余库存", "商城", "商品售价", "所在地"};
    const int widths[] = {40, 150, 100, 100, 135, 135, 80, 80, 80, 50, 70, 70};
    table::ResultTable t;
    ASSERT_EQ(t.columnCount(), 12);
    table::ItemRecord record;
    for (int c = 0; c < table::kColumnCount; ++c) {
        EXPECT_EQ(t.columnTitle(c), text::gbk(titles[c])) << c;
        EXPECT_EQ(table::columnWidth(c), widths[c]) << c;
        record.field(c) = std::string(table::fieldNames()[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(t.columnTitle(12), "");
    EXPECT_EQ(table::columnWidth(-1), 0);
    // field(c) and the named members are the same cells, in column order.
    EXPECT_EQ(record.seq, "seq");
    EXPECT_EQ(record.url, "url");
    EXPECT_EQ(record.minutesLeft, "minutesLeft");
    EXPECT_EQ(record.isMall, "isMall");
    EXPECT_EQ(record.location, "location");
}

TEST(ResultTable, CellOperations) {
    table::ResultTable t;
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.appendRow(), 0);
    EXPECT_EQ(t.appendRow(), 1);
    t.setCell(1, table::kUrl, "http://a");
    t.setCell(5, table::kUrl, "out of range");
    t.setCell(0, 12, "bad column");
    t.setCell(0, -1, "bad column");
    EXPECT_EQ(t.cell(1, table::kUrl), "http://a");
    EXPECT_EQ(t.cell(0, table::kUrl), "");
    EXPECT_EQ(t.cell(9, 0), "");
    EXPECT_EQ(t.cell(0, 99), "");
    EXPECT_EQ(t.rowCount(), 2);

    table::ItemRecord r;
    r.seq = "2";
    r.title = text::gbk("宝贝");
    EXPECT_EQ(t.appendRecord(r), 2);
    EXPECT_EQ(t.row(2), r);
    EXPECT_EQ(t.row(3), table::ItemRecord{});
    EXPECT_EQ(t.snapshot().size(), 3u);

    EXPECT_EQ(t.selectedRow(), -1);
    t.setSelectedRow(1);
    EXPECT_EQ(t.selectedRow(), 1);
    t.setSelectedRow(7);
    EXPECT_EQ(t.selectedRow(), -1);
    t.setSelectedRow(2);
    EXPECT_TRUE(t.isEnabled());
    t.setEnabled(false);
    EXPECT_FALSE(t.isEnabled());

    t.clear();
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.selectedRow(), -1);
    EXPECT_EQ(t.appendRow(), 0);
}

TEST(ResultTable, FindRow) {
    table::ResultTable t;
    for (const char* url : {"a", "b", "a", "c"}) {
        const int row = t.appendRow();
        t.setCell(row, table::kUrl, url);
    }
    struct Case {
        int start;
        const char* text;
        int expected;
    };
    const Case cases[] = {{0, "a", 0},  {1, "a", 2}, {3, "a", -1}, {-5, "b", 1},
                          {0, "A", -1}, {0, "", -1}, {10, "a", -1}};
    for (const Case& c : cases) EXPECT_EQ(t.findRow(c.start, table::kUrl, c.text), c.expected) << c.text;
    EXPECT_EQ(t.findRow(0, table::kTitle, ""), 0);
    EXPECT_EQ(t.findRow(0, 40, "a"), -1);
}

TEST(ResultTable, StaleGenerationWriteIsRefused) {
    table::ResultTable t;
    t.appendRow();
    const std::uint64_t before = t.generation();
    EXPECT_TRUE(t.setCellIf(before, 0, table::kTitle, "first"));
    t.clear();
    EXPECT_NE(t.generation(), before);
    t.appendRow();
    EXPECT_FALSE(t.setCellIf(before, 0, table::kTitle, "late write"));
    EXPECT_EQ(t.cell(0, table::kTitle), "");
    EXPECT_TRUE(t.setCellIf(t.generation(), 0, table::kTitle, "current"));
    EXPECT_FALSE(t.setCellIf(t.generation(), 3, table::kTitle, "no such row"));
    EXPECT_EQ(t.cell(0, table::kTitle), "current");
}

TEST(ResultTable, ChangesCoalesce) {
    table::ResultTable t;
    std::atomic<int> notified{0};
    t.setChangeNotifier([&] { ++notified; });
    EXPECT_FALSE(t.takeChanges().any());

    for (int i = 0; i < 100; ++i) t.appendRow();
    t.setCell(40, table::kTitle, "x");
    EXPECT_EQ(notified.load(), 1);  // one notice for the whole batch
    table::ChangeSummary s = t.takeChanges();
    EXPECT_TRUE(s.any());
    EXPECT_FALSE(s.reset);
    EXPECT_EQ(s.rowCount, 100);
    EXPECT_EQ(s.firstDirty, 0);
    EXPECT_EQ(s.lastDirty, 99);

    EXPECT_FALSE(t.takeChanges().any());
    t.setCell(70, table::kTitle, "y");
    t.setCell(30, table::kTitle, "z");
    t.setCell(500, table::kTitle, "ignored");
    EXPECT_EQ(notified.load(), 2);
    s = t.takeChanges();
    EXPECT_EQ(s.firstDirty, 30);
    EXPECT_EQ(s.lastDirty, 70);

    t.setCell(10, table::kTitle, "before clear");
    t.clear();
    t.appendRow();
    t.appendRow();
    EXPECT_EQ(notified.load(), 3);
    s = t.takeChanges();
    EXPECT_TRUE(s.reset);
    EXPECT_EQ(s.rowCount, 2);
    EXPECT_EQ(s.firstDirty, 0);
    EXPECT_EQ(s.lastDirty, 1);
    EXPECT_FALSE(t.takeChanges().reset);
}

TEST(ResultTable, NotifierMayReadTheTable) {
    // The notifier runs without the table's lock held, so a view may take the
    // changes at once on the writing thread.
    table::ResultTable t;
    int seenRows = -1;
    t.setChangeNotifier([&] { seenRows = t.takeChanges().rowCount; });
    t.appendRow();
    EXPECT_EQ(seenRows, 1);
    t.appendRow();
    EXPECT_EQ(seenRows, 2);
}

TEST(ResultTable, ConcurrentWritersAndReader) {
    table::ResultTable t;
    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) t.appendRecord(table::ItemRecord{std::to_string(i)});
    t.takeChanges();  // clean, so the first concurrent write must notify
    std::atomic<int> notices{0};
    t.setChangeNotifier([&] { ++notices; });
    const std::uint64_t generation = t.generation();

    std::atomic<bool> done{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < 3; ++w) {
        writers.emplace_back([&, w] {
            for (int row = w; row < kRows; row += 3) {
                t.setCellIf(generation, row, table::kTitle, "title " + std::to_string(row));
                t.setCell(row, table::kSales, std::to_string(row * 2));
            }
        });
    }
    std::thread appender([&] {
        for (int i = 0; i < 500; ++i) t.appendRow();
    });
    std::thread reader([&] {
        while (!done.load()) {
            const table::ChangeSummary s = t.takeChanges();
            if (s.firstDirty >= 0) {
                EXPECT_LE(s.lastDirty, s.rowCount - 1);
            }
            (void)t.cell(kRows / 2, table::kTitle);
            (void)t.findRow(0, table::kSales, "100");
        }
    });
    for (auto& th : writers) th.join();
    appender.join();
    done = true;
    reader.join();

    EXPECT_EQ(t.rowCount(), kRows + 500);
    for (int row = 0; row < kRows; ++row) {
        ASSERT_EQ(t.cell(row, table::kTitle), "title " + std::to_string(row));
        ASSERT_EQ(t.cell(row, table::kSales), std::to_string(row * 2));
    }
    EXPECT_GE(notices.load(), 1);
}

TEST(ResultTable, HoldsHundredThousandRows) {
    table::ResultTable t;
    const std::string title = text::gbk("很长的宝贝标题，包含中文和 ASCII 123");
    for (int i = 0; i < 100000; ++i) {
        table::ItemRecord r;
        r.seq = std::to_string(i);
        r.url = "http://item.example/item.htm?id=" + std::to_string(i);
        r.title = title;
        t.appendRecord(r);
    }
    EXPECT_EQ(t.rowCount(), 100000);
    EXPECT_EQ(t.findRow(0, table::kUrl, "http://item.example/item.htm?id=99999"), 99999);
    EXPECT_EQ(t.cell(54321, table::kSeq), "54321");
    t.clear();
    EXPECT_EQ(t.rowCount(), 0);
}

TEST(HeadlessPanel, InitialStateAndRecords) {
    panel::HeadlessPanel panel;
    EXPECT_EQ(panel.searchButtonCaption(), text::gbk("查关键字"));
    EXPECT_EQ(panel.pageCountText(), "");
    EXPECT_EQ(panel.sortIndex(), 0);
    EXPECT_EQ(panel.directionIndex(), 0);
    EXPECT_TRUE(panel.isEnabled(panel::Control::SearchButton));
    EXPECT_TRUE(panel.isEnabled(panel::Control::ResultTable));
    EXPECT_FALSE(panel.windowVisible());

    panel.setEnabled(panel::Control::ExportButton, false);
    EXPECT_FALSE(panel.isEnabled(panel::Control::ExportButton));
    EXPECT_TRUE(panel.isEnabled(panel::Control::StoreButton));

    std::vector<std::pair<panel::HeadlessPanel::Event, std::string>> echoed;
    panel.setSink([&](panel::HeadlessPanel::Event e, const std::string& s) { echoed.emplace_back(e, s); });
    panel.setStatus("one");
    panel.setStatus("two");
    panel.setProgress("p");
    panel.showMessage("m");
    EXPECT_EQ(panel.status(), "two");
    EXPECT_EQ(panel.statusHistory(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(panel.progressHistory(), (std::vector<std::string>{"p"}));
    EXPECT_EQ(panel.messages(), (std::vector<std::string>{"m"}));
    ASSERT_EQ(echoed.size(), 4u);
    EXPECT_EQ(echoed[3].first, panel::HeadlessPanel::Event::Message);

    panel.queueAnswer(std::string("answer"));
    panel.queueAnswer(std::nullopt);
    EXPECT_EQ(panel.askText("q1", ""), std::optional<std::string>("answer"));
    EXPECT_EQ(panel.askText("q2", ""), std::nullopt);
    EXPECT_EQ(panel.askText("q3", "x"), std::nullopt);  // exhausted script cancels
    EXPECT_EQ(panel.prompts(), (std::vector<std::string>{"q1", "q2", "q3"}));

    int hookCalls = 0;
    panel.setProcessEventsHook([&] {
        ++hookCalls;
        panel.setStatus("from hook");  // the hook may call back into the panel
    });
    panel.processEvents();
    panel.processEvents();
    EXPECT_EQ(panel.processEventsCalls(), 2);
    EXPECT_EQ(hookCalls, 2);

    panel.setCollectProgressVisible(true);
    panel.setCollectProgressLines("l1", "l2");
    EXPECT_TRUE(panel.collectProgressVisible());
    EXPECT_EQ(panel.collectProgressLines(), (std::pair<std::string, std::string>{"l1", "l2"}));
}

}  // namespace

// The result table under a shown main window: a worker appends 100 000 rows and
// then rewrites every cell of every row, as a keyword search and its detail
// fetch do, while the window thread keeps its view up to date. Measures the
// wall time until the view has caught up and the process's peak memory.
// Run offscreen: QT_QPA_PLATFORM=offscreen build/.../bin/gui_table_bench
#include "gui/main_window.h"
#include "gui/result_table_model.h"
#include "gui/startup.h"
#include "search/walk_context.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableView>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using namespace shelfwatch;

double peakMemoryMb() {
#ifdef _WIN32
    return 0.0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
#endif
}

void fillAndRewrite(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const bool noticeBrowser = state.range(1) != 0;
    const std::string title = text::gbk("夏季新款韩版修身显瘦连衣裙女装中长款雪纺裙子");
    const std::string seller = text::gbk("杭州女装旗舰店");
    const std::string start = text::gbk("2014年7月25日15时30分20秒");
    const std::string end = text::gbk("2014年8月1日15时30分20秒");
    const std::string mall = text::gbk("真");
    const std::string location = text::gbk("浙江 杭州");

    for (auto _ : state) {
        table::ResultTable table;
        gui::MainWindow::Options options;
        options.noticeBrowser = noticeBrowser;
        gui::MainWindow window(table, options);
        window.show();
        QCoreApplication::processEvents();

        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < rows; ++i) {
                const int row = table.appendRow();
                table.setCell(row, table::kSeq, std::to_string(row));
                table.setCell(row, table::kUrl,
                              "http://item.taobao.com/item.htm?id=" + std::to_string(30000000 + i));
            }
            for (int row = 0; row < rows; ++row) {
                table.setCell(row, table::kTitle, title);
                table.setCell(row, table::kSeller, seller);
                table.setCell(row, table::kStartTime, start);
                table.setCell(row, table::kEndTime, end);
                table.setCell(row, table::kMinutesLeft, std::to_string(row % 10080));
                table.setCell(row, table::kSales, std::to_string(row % 977));
                table.setCell(row, table::kStock, std::to_string(row % 311));
                table.setCell(row, table::kIsMall, mall);
                table.setCell(row, table::kPrice, "128.00 -> 99.00");
                table.setCell(row, table::kLocation, location);
            }
            done = true;
        });

        // The window thread runs its loop (painting, coalesced model updates)
        // until the worker is done and the view shows every row.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done.load() && window.tableModel()->rowCount() == rows) loop.quit();
        });
        poll.start(5);
        loop.exec();
        worker.join();
        window.tableModel()->applyChanges();
        window.tableView()->scrollToBottom();
        QCoreApplication::processEvents();
        if (window.tableModel()->rowCount() != rows) state.SkipWithError("view lost rows");
    }
    state.counters["rows"] = rows;
    state.counters["peak_rss_mb"] = peakMemoryMb();
}

BENCHMARK(fillAndRewrite)
    ->ArgNames({"rows", "notice_browser"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    using namespace shelfwatch;
    gui::prepareProcessEnvironment(argc, argv);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

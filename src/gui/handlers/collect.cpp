// "采集商品数据": the selected row's description and pictures saved under the
// data directory's collect/ folder, on a worker thread per click so the window
// stays usable; the collection box in the main window shows its stage.
#include "collect/item_collector.h"
#include "gui/gui_context.h"
#include "gui/handlers/handlers.h"
#include "gui/main_window.h"
#include "gui/qt_main_panel.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace shelfwatch::gui::handlers {

namespace {

// The running collections, joined when the main window goes (after the panel
// has shut down, so a worker's label update never waits for a dead loop).
class CollectWorkers final : public QObject {
  public:
    CollectWorkers(QObject* parent, QtMainPanel& panel) : QObject(parent), m_panel(panel) {
        setObjectName(QStringLiteral("collectWorkers"));
    }
    ~CollectWorkers() override {
        m_panel.shutDown();
        for (Worker& worker : m_workers)
            if (worker.thread.joinable()) worker.thread.join();
    }
    void start(std::function<void()> work) {
        // Workers that have ended are joined (at once) and dropped here.
        std::erase_if(m_workers, [](Worker& worker) {
            if (!worker.done->load()) return false;
            worker.thread.join();
            return true;
        });
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([work = std::move(work), done] {
            work();
            done->store(true);
        });
        m_workers.push_back(Worker{std::move(thread), std::move(done)});
    }

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    QtMainPanel& m_panel;
    std::vector<Worker> m_workers;
};

CollectWorkers& workersOf(GuiContext& ctx) {
    auto* workers = ctx.window.findChild<CollectWorkers*>(QStringLiteral("collectWorkers"));
    if (!workers) workers = new CollectWorkers(&ctx.window, ctx.panel);
    return *workers;
}

}  // namespace

void onCollectItem(GuiContext& ctx) {
    table::ResultTable& table = ctx.walk.table;
    const int row = table.selectedRow();
    if (row < 0 || row >= table.rowCount() || table.cell(row, table::kUrl).empty()) return;
    collect::CollectOptions options;
    options.root = ctx.walk.dataDir / "collect";
    search::WalkContext& walk = ctx.walk;
    workersOf(ctx).start([&walk, options] {
        // The row selected when the worker starts, as the menu click saw it.
        const int selected = walk.table.selectedRow();
        if (selected < 0) return;
        collect::collectRow(walk.table, selected, walk.fetcher, walk.panel, options);
    });
}

}  // namespace shelfwatch::gui::handlers

// The state a batch detail fetch shares across threads: the stop flag set by the
// stop click and the row counters that several workers share over one table.
// Atomics, because the window thread and the workers touch them at once. It also
// keeps the walk threads, so it must outlive nothing they use: declare it after
// the table, the panel and the fetcher, and it asks them to stop and joins them
// when it goes.
#pragma once

#include "net/page_fetcher.h"
#include "search/walk_threads.h"

#include <atomic>
#include <mutex>
#include <string>

namespace shelfwatch::search {

struct FetchState {
    std::atomic<int> stopRequested{0};
    std::atomic<int> nextRow{1};  // 1-based number of the next row a worker takes
    std::atomic<int> rowTotal{0};
    std::atomic<int> activeWorkers{0};
    // Counts stop clicks, so a walk that waited for an older one to end can tell
    // whether it was itself stopped meanwhile before it clears the flag.
    std::atomic<unsigned> stopClicks{0};
    WalkThreads threads;

    // What the latest walk could not fetch, for the count shown at its end and
    // the command line's exit code: list pages asked for and lost, item pages
    // lost, and the cause of the latest loss.
    std::atomic<int> listPagesTried{0};
    std::atomic<int> listPagesLost{0};
    std::atomic<int> itemsLost{0};

    void clearLosses();
    // Counts one list page; `failure` is what its fetch left.
    void noteListPage(const net::FetchFailure& failure);
    void noteLostItem(const net::FetchFailure& failure);
    net::FetchFailure lastLoss() const;

    FetchState() = default;
    ~FetchState() { stopRequested = 1; }
    FetchState(const FetchState&) = delete;
    FetchState& operator=(const FetchState&) = delete;

  private:
    mutable std::mutex m_lossMutex;
    net::FetchFailure m_lastLoss;
};

// The GBK text the progress label shows after a walk that lost pages or items
// ("" when it lost none).
std::string lossText(const FetchState& state);

}  // namespace shelfwatch::search

// The state a batch detail fetch shares across threads: the stop flag set by the
// stop click and the row counters that several workers share over one table.
// Atomics, because the window thread and the workers touch them at once.
#pragma once

#include <atomic>

namespace shelfwatch::search {

struct FetchState {
    std::atomic<int> stopRequested{0};
    std::atomic<int> nextRow{1};       // 1-based number of the next row a worker takes
    std::atomic<int> rowTotal{0};
    std::atomic<int> activeWorkers{0};
};

}  // namespace shelfwatch::search

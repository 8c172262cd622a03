// The walk-thread registry: which threads a walk owns, whom a newer walk waits
// for before it takes over, and that nothing is left running after joinAll.
#include "search/walk_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace shelfwatch::search {
namespace {

// A latch a test opens to let held threads end.
class Gate {
  public:
    void wait() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

TEST(WalkThreads, ANewerWalkWaitsForTheOlderOneAndItsHelpers) {
    WalkThreads threads;
    Gate olderHelperMayEnd;
    std::atomic<bool> olderHelperEnded{false};
    std::atomic<bool> newerSawOlderEnded{false};
    Gate newerHelperMayEnd;

    // The older walk starts a helper from inside itself: the helper is the older
    // walk's too, so the newer one must wait for it as well.
    threads.start(
        [&] {
            threads.start(
                [&] {
                    olderHelperMayEnd.wait();
                    olderHelperEnded = true;
                },
                false);
        },
        true);
    threads.start(
        [&] {
            // The newer walk's own helper must not hold up its wait.
            threads.start([&] { newerHelperMayEnd.wait(); }, false);
            threads.waitForEarlierWalks();
            newerSawOlderEnded = olderHelperEnded.load();
            newerHelperMayEnd.open();
        },
        true);

    // Give the newer walk time to be waiting, then let the older walk end.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(newerSawOlderEnded.load());
    olderHelperMayEnd.open();
    threads.joinAll();
    EXPECT_TRUE(newerSawOlderEnded.load());
    EXPECT_EQ(threads.running(), 0);
}

TEST(WalkThreads, JoinAllWaitsAlsoForThreadsStartedMeanwhile) {
    WalkThreads threads;
    std::atomic<int> ended{0};
    threads.start(
        [&] {
            for (int i = 0; i < 3; ++i) {
                threads.start(
                    [&] {
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        ++ended;
                    },
                    false);
            }
            ++ended;
        },
        true);
    threads.joinAll();
    EXPECT_EQ(ended.load(), 4);
    EXPECT_EQ(threads.running(), 0);
}

TEST(WalkThreads, OutsideAnyWalkTheWaitCoversEveryWalk) {
    WalkThreads threads;
    std::atomic<int> ended{0};
    for (int w = 0; w < 3; ++w) {
        threads.start(
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++ended;
            },
            true);
    }
    threads.waitForEarlierWalks();
    EXPECT_EQ(ended.load(), 3);
    threads.joinAll();
}

}  // namespace
}  // namespace shelfwatch::search

// The threads a walk starts (the keyword page walk and its detail workers), kept
// so that a newer walk can let a stopped older one finish before it takes over the
// table and the shared counters, and so that front ends and tests can wait for the
// work to end instead of leaving detached threads behind. Every thread started
// from inside a walk thread belongs to that walk (its "ticket"). Thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace shelfwatch::search {

class WalkThreads {
  public:
    WalkThreads() = default;
    // Joins every thread still running; the owner asks them to stop first.
    ~WalkThreads();
    WalkThreads(const WalkThreads&) = delete;
    WalkThreads& operator=(const WalkThreads&) = delete;

    // Runs `work` on a new thread. `newWalk` gives it a ticket of its own; otherwise
    // it joins the walk of the calling thread (a fresh walk when the caller is none).
    void start(std::function<void()> work, bool newWalk);

    // Blocks until every thread of a walk older than the calling thread's own has
    // ended. From a thread that belongs to no walk: until every walk has ended.
    void waitForEarlierWalks();

    // Blocks until every thread has ended, also those started meanwhile. Never call
    // it from one of these threads.
    void joinAll();

    int running() const;

  private:
    struct Entry {
        std::thread thread;
        std::uint64_t ticket = 0;
        bool finished = false;
    };

    void reapFinishedLocked(std::list<std::thread>& joinable);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Entry> m_entries;
    std::uint64_t m_nextTicket = 1;
    int m_running = 0;
};

}  // namespace shelfwatch::search

#include "search/walk_threads.h"

#include <limits>
#include <utility>

namespace shelfwatch::search {

namespace {

// The walk the current thread belongs to, per registry (a thread serves one).
thread_local const WalkThreads* t_owner = nullptr;
thread_local std::uint64_t t_ticket = 0;

}  // namespace

WalkThreads::~WalkThreads() { joinAll(); }

void WalkThreads::reapFinishedLocked(std::list<std::thread>& joinable) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->finished) {
            joinable.push_back(std::move(it->thread));
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

void WalkThreads::start(std::function<void()> work, bool newWalk) {
    std::list<std::thread> finished;
    {
        std::lock_guard lock(m_mutex);
        reapFinishedLocked(finished);
        std::uint64_t ticket = 0;
        if (!newWalk && t_owner == this && t_ticket != 0) {
            ticket = t_ticket;
        } else {
            ticket = m_nextTicket++;
        }
        m_entries.push_back(Entry{});
        Entry* entry = &m_entries.back();
        entry->ticket = ticket;
        ++m_running;
        // The entry is created under the lock before the thread runs, and the
        // thread marks it under the same lock, so no end goes unseen.
        entry->thread = std::thread([this, entry, ticket, work = std::move(work)]() {
            t_owner = this;
            t_ticket = ticket;
            work();
            std::lock_guard inner(m_mutex);
            entry->finished = true;
            --m_running;
            m_changed.notify_all();
        });
    }
    for (std::thread& thread : finished) thread.join();
}

void WalkThreads::waitForEarlierWalks() {
    const std::uint64_t mine =
        (t_owner == this && t_ticket != 0) ? t_ticket : std::numeric_limits<std::uint64_t>::max();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        for (const Entry& entry : m_entries) {
            if (!entry.finished && entry.ticket < mine) return false;
        }
        return true;
    });
}

void WalkThreads::joinAll() {
    std::list<std::thread> finished;
    {
        // A thread is only started by the caller or by another running thread, so
        // once none runs, none can appear.
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_running == 0; });
        reapFinishedLocked(finished);
    }
    for (std::thread& thread : finished) thread.join();
}

int WalkThreads::running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

}  // namespace shelfwatch::search

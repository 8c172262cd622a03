// The real fetcher with a seam, for the tests of the walks: it sees every address
// asked for (on the thread that asks), lets a hook act while a given request is
// under way (or hold that thread), and can make the first tries at an address
// fail. Thread-safe, as a fetcher must be.
#pragma once

#include "net/page_fetcher.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::testing {

class WatchedFetcher final : public net::Fetcher {
  public:
    explicit WatchedFetcher(net::Fetcher& inner) : m_inner(inner) {}

    std::string fetchPage(std::string_view url, std::string_view referrer) override {
        std::function<void(const std::string&)> hook;
        bool fail = false;
        {
            std::lock_guard lock(m_mutex);
            m_urls.emplace_back(url);
            hook = m_hook;
            auto it = m_failures.find(std::string(url));
            if (it != m_failures.end() && it->second > 0) {
                --it->second;
                fail = true;
            }
        }
        if (hook) hook(std::string(url));
        return fail ? std::string() : m_inner.fetchPage(url, referrer);
    }

    void setHook(std::function<void(const std::string&)> hook) {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }
    void failFirst(const std::string& url, int times) {
        std::lock_guard lock(m_mutex);
        m_failures[url] = times;
    }
    std::vector<std::string> urls() const {
        std::lock_guard lock(m_mutex);
        return m_urls;
    }
    int count(const std::string& part) const {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_urls.begin(), m_urls.end(), [&](const std::string& u) {
            return u.find(part) != std::string::npos;
        }));
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_urls.clear();
    }

  private:
    net::Fetcher& m_inner;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_urls;
    std::function<void(const std::string&)> m_hook;
    std::map<std::string, int> m_failures;
};

}  // namespace shelfwatch::testing

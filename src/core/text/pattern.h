// Regular-expression matching over GBK byte strings in time linear in the text.
// A pattern is compiled once and matches bytes as bytes (every byte is one
// character, so a GBK double byte never fools a literal), "." also matches line
// breaks, and groups follow the leftmost-first rule of backtracking engines:
// "(.+?)" takes the shortest text that lets the rest match. No input can make a
// match take more than linear time, however hostile the page. Thread-safe: one
// compiled pattern serves any number of threads.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}

namespace shelfwatch::text {

class Pattern {
  public:
    // One match: groups[0] is the whole match, groups[k] capture group k ("" for a
    // group that took no part). The views point into the searched text.
    struct Match {
        std::vector<std::string_view> groups;
    };

    // Throws std::invalid_argument when `expression` does not compile.
    explicit Pattern(std::string_view expression);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    int groupCount() const;

    // The first match in `text`, if any.
    std::optional<Match> findFirst(std::string_view text) const;

    // Every match in `text`, left to right, each search starting where the last
    // match ended. `onMatch` returns false to stop early.
    void forEachMatch(std::string_view text, const std::function<bool(const Match&)>& onMatch) const;
    std::vector<Match> findAll(std::string_view text) const;

  private:
    std::unique_ptr<re2::RE2> m_re;
};

}  // namespace shelfwatch::text

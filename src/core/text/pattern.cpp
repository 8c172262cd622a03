#include "text/pattern.h"

#include <re2/re2.h>

#include <stdexcept>
#include <string>

namespace shelfwatch::text {

namespace {

re2::RE2::Options byteOptions() {
    re2::RE2::Options options;
    // Latin-1: one byte, one character, so GBK text is matched byte for byte.
    options.set_encoding(re2::RE2::Options::EncodingLatin1);
    options.set_dot_nl(true);
    options.set_longest_match(false);
    options.set_case_sensitive(true);
    options.set_log_errors(false);
    return options;
}

}  // namespace

Pattern::Pattern(std::string_view expression)
    : m_re(
          std::make_unique<re2::RE2>(re2::StringPiece(expression.data(), expression.size()), byteOptions())) {
    if (!m_re->ok()) throw std::invalid_argument("bad pattern: " + m_re->error());
}

Pattern::~Pattern() = default;

int Pattern::groupCount() const { return m_re->NumberOfCapturingGroups(); }

void Pattern::forEachMatch(std::string_view text, const std::function<bool(const Match&)>& onMatch) const {
    const int groups = groupCount() + 1;
    std::vector<re2::StringPiece> found(static_cast<std::size_t>(groups));
    const re2::StringPiece all(text.data(), text.size());
    std::size_t from = 0;
    Match match;
    match.groups.resize(found.size());
    while (from <= text.size()) {
        if (!m_re->Match(all, from, text.size(), re2::RE2::UNANCHORED, found.data(), groups)) return;
        for (std::size_t k = 0; k < found.size(); ++k) {
            match.groups[k] =
                found[k].data() ? std::string_view(found[k].data(), found[k].size()) : std::string_view();
        }
        if (!onMatch(match)) return;
        const std::size_t end = static_cast<std::size_t>(found[0].data() - text.data()) + found[0].size();
        // An empty match would be found again at the same place: step past it.
        from = found[0].empty() ? end + 1 : end;
    }
}

std::optional<Pattern::Match> Pattern::findFirst(std::string_view text) const {
    std::optional<Match> first;
    forEachMatch(text, [&](const Match& match) {
        first = match;
        return false;
    });
    return first;
}

std::vector<Pattern::Match> Pattern::findAll(std::string_view text) const {
    std::vector<Match> all;
    forEachMatch(text, [&](const Match& match) {
        all.push_back(match);
        return true;
    });
    return all;
}

}  // namespace shelfwatch::text

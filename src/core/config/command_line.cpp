#include "config/command_line.h"

namespace shelfwatch::config {

namespace {

// Width of the character at `i`: a lead byte always takes the byte after it,
// whatever that byte is, so a double-byte character is never split by a quote
// or a separator that is really its trail byte.
std::size_t charWidth(std::string_view s, std::size_t i) {
    return (static_cast<unsigned char>(s[i]) >= 0x80 && i + 1 < s.size()) ? 2 : 1;
}

// Position of the next `c` at or after `i` at a character boundary, or size().
std::size_t scanTo(std::string_view s, std::size_t i, char c) {
    while (i < s.size() && s[i] != c) i += charWidth(s, i);
    return i < s.size() ? i : s.size();
}

bool isSeparator(char c) { return static_cast<unsigned char>(c) < '!'; }

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    const std::string_view s = commandLine;
    std::size_t i = 0;
    if (!s.empty() && s[0] == '"') {
        i = scanTo(s, 1, '"');
        if (i < s.size()) ++i;  // the closing quote
    } else {
        i = scanTo(s, 0, ' ');
    }
    if (i < s.size() && s[i] == ' ') ++i;

    std::vector<std::string> args;
    while (i < s.size()) {
        if (s[i] == '"') {
            const std::size_t close = scanTo(s, i + 1, '"');
            args.emplace_back(s.substr(i + 1, close - i - 1));
            i = close < s.size() ? close + 1 : s.size();
        } else if (isSeparator(s[i])) {
            ++i;
        } else {
            const std::size_t begin = i;
            while (i < s.size() && !isSeparator(s[i]) && s[i] != '"') i += charWidth(s, i);
            args.emplace_back(s.substr(begin, i - begin));
        }
    }
    return args;
}

}  // namespace shelfwatch::config

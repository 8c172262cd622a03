#include "text/gbk_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace shelfwatch::text {

namespace {

inline unsigned char byteAt(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

inline bool isLead(unsigned char b) { return b >= 0x80; }

// Whether `pos` begins a character of a text read from the character boundary
// `boundary` (boundary <= pos). A byte below 0x80 always ends a character, alone
// or as a trail byte, so the byte after it is a boundary; only the run of lead
// bytes just before `pos` is left open, and it pairs up from its first byte. The
// test therefore looks back over that run only, never further than `boundary`.
inline bool isBoundary(const char* data, std::size_t boundary, std::size_t pos) {
    std::size_t runStart = pos;
    while (runStart > boundary && isLead(static_cast<unsigned char>(data[runStart - 1]))) --runStart;
    return ((pos - runStart) & 1) == 0;
}

inline unsigned char foldAscii(unsigned char b) { return (b >= 'A' && b <= 'Z') ? b + 32 : b; }

// Compares `sought` at `pos` of `text` folding ASCII letters; a double-byte
// character of `sought` must match both bytes exactly, so trail bytes that
// happen to be letters are not folded.
bool matchesFolded(std::string_view text, std::size_t pos, std::string_view sought) {
    if (text.size() - pos < sought.size()) return false;
    for (std::size_t i = 0; i < sought.size();) {
        const unsigned char b = byteAt(sought, i);
        if (isLead(b)) {
            if (byteAt(text, pos + i) != b) return false;
            if (i + 1 < sought.size() && byteAt(text, pos + i + 1) != byteAt(sought, i + 1)) return false;
            i += 2;
        } else {
            if (foldAscii(byteAt(text, pos + i)) != foldAscii(b)) return false;
            ++i;
        }
    }
    return true;
}

int toPosition(std::size_t zeroBased) {
    return zeroBased >= static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? -1
               : static_cast<int>(zeroBased) + 1;
}

std::string replaceImpl(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;  // zero-based, always a character boundary
    while (from < text.size()) {
        const int hit = find(text, what, toPosition(from));
        if (hit < 0) break;
        const std::size_t at = static_cast<std::size_t>(hit - 1);
        out.append(text.substr(from, at - from));
        out.append(with);
        from = at + what.size();
    }
    if (from < text.size()) out.append(text.substr(from));
    return out;
}

template <typename Int>
Int parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate toward the sign so the most negative value is reachable.
    Int value = 0;
    constexpr Int kMax = std::numeric_limits<Int>::max();
    constexpr Int kMin = std::numeric_limits<Int>::min();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const Int digit = text[i] - '0';
        if (negative) {
            if (value < (kMin + digit) / 10) return kMin;
            value = value * 10 - digit;
        } else {
            if (value > (kMax - digit) / 10) return kMax;
            value = value * 10 + digit;
        }
    }
    return value;
}

}  // namespace

int find(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
    if (start < 1) start = 1;
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (begin >= text.size()) return -1;
    if (sought.empty()) return 1;
    if (sought.size() > text.size() - begin) return -1;

    if (!ignoreCase) {
        const char* data = text.data();
        // A boundary at or before every later candidate: a rejected candidate is
        // the trail byte of a character, so the byte after it begins the next
        // one. Each look-back stops there, so no byte is looked back over twice.
        std::size_t boundary = begin;
        std::size_t candidate = begin;
        for (;;) {
            candidate = text.find(sought, candidate);
            if (candidate == std::string_view::npos) return -1;
            if (isBoundary(data, boundary, candidate)) return toPosition(candidate);
            boundary = ++candidate;
        }
    }

    std::size_t boundary = begin;
    const unsigned char first = byteAt(sought, 0);
    const std::size_t lastStart = text.size() - sought.size();
    while (boundary <= lastStart) {
        const unsigned char b = byteAt(text, boundary);
        const bool firstMatches = isLead(first) ? b == first : foldAscii(b) == foldAscii(first);
        if (firstMatches && matchesFolded(text, boundary, sought)) return toPosition(boundary);
        boundary += isLead(b) ? 2 : 1;
    }
    return -1;
}

std::string mid(std::string_view text, int start, int length) {
    if (start < 1 || length <= 0) return {};
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (begin >= text.size()) return {};
    return std::string(text.substr(begin, static_cast<std::size_t>(length)));
}

std::string left(std::string_view text, int n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string right(std::string_view text, int n) {
    if (n <= 0) return {};
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    return std::string(text.substr(text.size() - count));
}

std::string removeAll(std::string_view text, std::string_view what) { return replaceImpl(text, what, {}); }

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    return replaceImpl(text, what, with);
}

std::string trim(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
        } else if (i + 1 < text.size() && byteAt(text, i) == 0xA1 && byteAt(text, i + 1) == 0xA1) {
            i += 2;
        } else {
            break;
        }
    }
    // Trailing spaces are found walking forward, so an A1 that is the trail
    // byte of another character is never taken for half of a full-width space.
    std::size_t end = i;
    std::size_t pos = i;
    while (pos < text.size()) {
        const unsigned char b = byteAt(text, pos);
        std::size_t width = isLead(b) ? 2 : 1;
        if (pos + width > text.size()) width = text.size() - pos;
        const bool space = b == ' ' || (width == 2 && b == 0xA1 && byteAt(text, pos + 1) == 0xA1);
        pos += width;
        if (!space) end = pos;
    }
    return std::string(text.substr(i, end - i));
}

int compare(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::int32_t toInt(std::string_view text) { return parseInteger<std::int32_t>(text); }

std::int64_t toInt64(std::string_view text) { return parseInteger<std::int64_t>(text); }

std::string fromInt(std::int64_t value) { return std::to_string(value); }

std::string fromDouble(double value) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.13g", value);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::int64_t truncateToInt64(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::string textBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                        int start) {
    if (start <= 0) start = 1;
    const int a = find(text, leftMarker, start);
    const long long p = static_cast<long long>(a) + static_cast<long long>(leftMarker.size());
    if (p > std::numeric_limits<int>::max()) return {};
    const int c = find(text, rightMarker, static_cast<int>(p));
    const long long length = static_cast<long long>(c) - p;
    if (length <= 0 || p < 1) return {};
    return mid(text, static_cast<int>(p), static_cast<int>(length));
}

std::string percentDecode(std::string_view text) {
    static constexpr std::string_view kDigits = "0123456789ABCDEF";
    auto digit = [&](std::size_t i) -> int {
        if (i >= text.size()) return 0;
        unsigned char b = byteAt(text, i);
        if (b >= 'a' && b <= 'z') b -= 32;
        const std::size_t at = kDigits.find(static_cast<char>(b));
        return at == std::string_view::npos ? -2 : static_cast<int>(at);
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        const int value = ((digit(i + 1) * 16 + digit(i + 2)) % 256 + 256) % 256;
        if (value != 0) out.push_back(static_cast<char>(value));
        i += 3;
    }
    return out;
}

std::string byteHexForm(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const unsigned char b = static_cast<unsigned char>(ch);
        out.push_back('%');
        if (b >= 16) out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    return out;
}

std::string_view cutAtNul(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

}  // namespace shelfwatch::text

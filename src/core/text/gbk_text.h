// GBK byte texts: the text conventions every parser of the program relies on.
// A text is a std::string of code page 936 bytes; a byte of 0x80 or more starts a
// double-byte character together with the next byte. Positions are 1-based byte
// positions and lengths are byte counts, so results line up with the markers and
// offsets the page analysis is written in. Every function is pure and thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace shelfwatch::text {

// Position of the first occurrence of `sought` at or after `start`, or -1.
// The scan steps over whole characters from `start`, so a match is only found
// where a character begins. A start below 1 counts as 1; an empty `sought` gives 1
// for a non-empty remainder, else -1. ignoreCase folds ASCII letters only.
int find(std::string_view text, std::string_view sought, int start = 1, bool ignoreCase = false);

// Bytes from `start` on, at most `length` of them; empty for a start outside the
// text or a length of 0 or less.
std::string mid(std::string_view text, int start, int length);
std::string left(std::string_view text, int n);
std::string right(std::string_view text, int n);

// Every occurrence of `what`, left to right without overlap, replaced.
std::string removeAll(std::string_view text, std::string_view what);
std::string replaceAll(std::string_view text, std::string_view what, std::string_view with);

// ASCII spaces and the full-width space A1 A1 off both ends (not tabs or line breaks).
std::string trim(std::string_view text);

// Byte-wise comparison as unsigned values: <0, 0 or >0.
int compare(std::string_view a, std::string_view b);

// Leading white space, optional sign, then decimal digits; no digits gives 0.
// Values out of range saturate rather than overflow.
std::int32_t toInt(std::string_view text);
std::int64_t toInt64(std::string_view text);

std::string fromInt(std::int64_t value);
// The printf form "%.13g".
std::string fromDouble(double value);
// Truncation toward zero, saturating at the 64-bit range (NaN gives 0).
std::int64_t truncateToInt64(double value);

// The text after the first `left` at or after `start` up to the first `right`
// after it. A missing left marker does not give an empty result: the cut then
// starts at byte length(left) - 1 (callers rely on this).
std::string textBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start = 1);

// "%HL" escapes to bytes; bad digits count as -2, missing ones as 0; a 0 byte
// is dropped; "+" stays "+".
std::string percentDecode(std::string_view text);

// UTF-8 to GBK, cut before the first character that has no GBK form.
std::string utf8ToGbk(std::string_view utf8);
// GBK to UTF-8 / UTF-16 for the edges (widgets, terminal, files, workbook cells).
// Bytes that are not valid GBK become U+FFFD.
std::string gbkToUtf8(std::string_view gbk);
std::u16string gbkToUtf16(std::string_view gbk);
// UTF-16 to GBK, cut before the first character without a GBK form.
std::string utf16ToGbk(std::u16string_view utf16);

// A GBK text from UTF-8 source text; for the program's own literals.
inline std::string gbk(std::string_view utf8) { return utf8ToGbk(utf8); }

// Traditional double-byte characters replaced by their simplified forms; the
// byte length never changes.
std::string toSimplified(std::string_view text);

// Every byte as "%" + upper-case hex without leading zeros ("A中" -> "%41%D6%D0").
std::string byteHexForm(std::string_view text);

// The text up to its first NUL byte.
std::string_view cutAtNul(std::string_view bytes);

}  // namespace shelfwatch::text

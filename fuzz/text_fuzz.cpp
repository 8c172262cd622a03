// Arbitrary bytes through the text operations the page parsers run on every
// fetched page: none may crash, and each keeps its stated invariants.
#include "text/gbk_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace text = shelfwatch::text;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// The boundaries of `s` counted from byte 0 (0-based), as find steps.
bool isBoundary(std::string_view s, std::size_t pos) {
    std::size_t b = 0;
    while (b < pos) b += static_cast<unsigned char>(s[b]) >= 0x80 ? 2 : 1;
    return b == pos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // First byte: marker lengths; second: start position; the rest is the text.
    const std::size_t leftLen = data[0] & 7;
    const std::size_t rightLen = (data[0] >> 3) & 7;
    const int start = static_cast<int>(static_cast<std::int8_t>(data[1]));
    const std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string_view leftMarker = all.substr(0, leftLen);
    const std::string_view rightMarker = all.substr(std::min(all.size(), leftLen), rightLen);
    const std::string_view body = all;

    const int pos = text::find(body, leftMarker, start);
    if (pos > 0 && !leftMarker.empty()) {
        const std::size_t from = static_cast<std::size_t>(std::max(start, 1)) - 1;
        const std::size_t at = static_cast<std::size_t>(pos) - 1;
        check(at >= from && body.substr(at, leftMarker.size()) == leftMarker);
        check(isBoundary(body.substr(from), at - from));
    }
    (void)text::find(body, leftMarker, start, true);

    const std::string between = text::textBetween(body, leftMarker, rightMarker, start);
    check(between.size() <= body.size());
    check(body.find(between) != std::string_view::npos);

    const std::string decoded = text::percentDecode(body);
    check(decoded.size() <= body.size());

    const std::string gbk = text::utf8ToGbk(body);
    check(gbk.find('\0') == std::string::npos);
    (void)text::gbkToUtf8(body);
    (void)text::gbkToUtf16(body);

    check(text::toSimplified(body).size() == body.size());
    check(text::trim(body).size() <= body.size());
    check(text::byteHexForm(body).size() <= body.size() * 3);
    (void)text::toInt64(body);
    (void)text::removeAll(body, rightMarker);
    return 0;
}

// Code-page conversions and the traditional-to-simplified table. ICU converters
// keep state and are not thread-safe, so each thread holds its own pair.
#include "text/gbk_text.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace shelfwatch::text {

namespace {

// Invalid GBK input becomes U+FFFD whatever ICU would pick for the byte class.
void toUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
    static const UChar kReplacement[] = {0xFFFD};
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, kReplacement, 1, 0, err);
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openGbk(bool forEncoding) {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-936", &err));
    if (U_FAILURE(err)) return nullptr;
    if (forEncoding) {
        // Stop at the first character without a GBK form: the text ends there,
        // as the platform conversion with a NUL default character would.
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    } else {
        ucnv_setToUCallBack(conv.get(), toUnicodeReplacement, nullptr, nullptr, nullptr, &err);
    }
    return U_FAILURE(err) ? nullptr : std::move(conv);
}

UConverter* encoder() {
    thread_local ConverterPtr conv = openGbk(true);
    if (conv) ucnv_reset(conv.get());
    return conv.get();
}

UConverter* decoder() {
    thread_local ConverterPtr conv = openGbk(false);
    if (conv) ucnv_reset(conv.get());
    return conv.get();
}

std::string encodeGbk(const UChar* units, std::size_t count) {
    UConverter* conv = encoder();
    if (conv == nullptr || count == 0) return {};
    // At most two bytes per unit: anything longer has no GBK form and stops us.
    std::string out(count * 2 + 8, '\0');
    char* target = out.data();
    const UChar* source = units;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(conv, &target, out.data() + out.size(), &source, units + count, nullptr, true, &err);
    out.resize(static_cast<std::size_t>(target - out.data()));
    return std::string(cutAtNul(out));
}

std::u16string decodeGbk(std::string_view gbk) {
    UConverter* conv = decoder();
    if (conv == nullptr || gbk.empty()) return {};
    std::u16string out(gbk.size() + 8, u'\0');
    UChar* target = reinterpret_cast<UChar*>(out.data());
    const char* source = gbk.data();
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(conv, &target, reinterpret_cast<UChar*>(out.data()) + out.size(), &source,
                   gbk.data() + gbk.size(), nullptr, true, &err);
    out.resize(static_cast<std::size_t>(target - reinterpret_cast<UChar*>(out.data())));
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = 0;
    const auto size = static_cast<int32_t>(std::min<std::size_t>(utf8.size(), INT32_MAX / 2));
    u_strFromUTF8WithSub(nullptr, 0, &length, utf8.data(), size, 0xFFFD, nullptr, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return {};
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), length, &length, utf8.data(), size, 0xFFFD,
                         nullptr, &err);
    if (U_FAILURE(err)) return {};
    return out;
}

// Maps every double-byte GBK code to the code of its simplified form, or to
// itself. 寶 (8C 9A) -> 宝 (B1 A6).
using SimplifiedTable = std::vector<std::uint16_t>;

struct SimplifiedPair {
    std::uint16_t traditional;
    std::uint16_t simplified;
};

constexpr SimplifiedPair kSimplifiedPairs[] = {
#include "text/simplified_pairs.inc"
};

SimplifiedTable buildSimplifiedTable() {
    SimplifiedTable table(65536);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint16_t>(i);
    for (const SimplifiedPair& pair : kSimplifiedPairs) table[pair.traditional] = pair.simplified;
    return table;
}

const SimplifiedTable& simplifiedTable() {
    static std::once_flag once;
    static SimplifiedTable table;
    std::call_once(once, [] { table = buildSimplifiedTable(); });
    return table;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) {
    const std::u16string units = utf8ToUtf16(utf8);
    return encodeGbk(reinterpret_cast<const UChar*>(units.data()), units.size());
}

std::string gbkToUtf8(std::string_view gbk) {
    const std::u16string units = decodeGbk(gbk);
    if (units.empty()) return {};
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = 0;
    const auto* src = reinterpret_cast<const UChar*>(units.data());
    const auto count = static_cast<int32_t>(units.size());
    u_strToUTF8WithSub(nullptr, 0, &length, src, count, 0xFFFD, nullptr, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return {};
    std::string out(static_cast<std::size_t>(length), '\0');
    err = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), length, &length, src, count, 0xFFFD, nullptr, &err);
    if (U_FAILURE(err)) return {};
    return out;
}

std::u16string gbkToUtf16(std::string_view gbk) { return decodeGbk(gbk); }

std::string utf16ToGbk(std::u16string_view utf16) {
    return encodeGbk(reinterpret_cast<const UChar*>(utf16.data()), utf16.size());
}

std::string toSimplified(std::string_view text) {
    const SimplifiedTable& table = simplifiedTable();
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        const auto lead = static_cast<unsigned char>(out[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= out.size()) break;
        const auto trail = static_cast<unsigned char>(out[i + 1]);
        const std::uint16_t mapped = table[static_cast<std::size_t>(lead << 8 | trail)];
        out[i] = static_cast<char>(mapped >> 8);
        out[i + 1] = static_cast<char>(mapped & 0xFF);
        i += 2;
    }
    return out;
}

}  // namespace shelfwatch::text

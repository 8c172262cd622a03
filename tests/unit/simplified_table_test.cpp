// toSimplified's built-in table against ICU's "Hant-Hans" transliteration,
// derived here the way the program once built it at start-up: every valid
// double-byte GBK character, transliterated, kept when its simplified form is
// a different double-byte GBK character.
#include "text/gbk_text.h"

#include <gtest/gtest.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <memory>
#include <string>

namespace text = shelfwatch::text;

namespace {

TEST(SimplifiedTable, MatchesIcuHantToHansOnEveryDoubleByteCharacter) {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> trans(
        icu::Transliterator::createInstance("Hant-Hans", UTRANS_FORWARD, err));
    ASSERT_TRUE(U_SUCCESS(err) && trans);

    int changed = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
            std::string expected = character;
            const std::u16string u = text::gbkToUtf16(character);
            if (u.size() == 1 && u[0] != 0xFFFD && !U16_IS_SURROGATE(u[0])) {
                icu::UnicodeString one(static_cast<UChar>(u[0]));
                trans->transliterate(one);
                if (one.length() == 1 && one[0] != u[0]) {
                    const std::string encoded = text::utf16ToGbk(std::u16string(1, one[0]));
                    // A simplified form outside double-byte GBK leaves the character as it is.
                    if (encoded.size() == 2 && static_cast<unsigned char>(encoded[0]) >= 0x81)
                        expected = encoded;
                }
            }
            if (expected != character) ++changed;
            ASSERT_EQ(text::byteHexForm(text::toSimplified(character)), text::byteHexForm(expected))
                << "character " << text::byteHexForm(character);
        }
    }
    EXPECT_GT(changed, 2000);
}

}  // namespace

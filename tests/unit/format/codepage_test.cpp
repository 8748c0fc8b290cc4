// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace posteri {
namespace {

std::string all_bytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(CodepageCp1252, EveryByteSurvivesTheRoundTripThroughUnicode) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(unicode_to_cp1252(cp1252_to_unicode(byte)), byte) << "byte " << b;
    }
}

TEST(CodepageCp1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
    const std::string bytes = all_bytes();
    const std::string utf8 = cp1252_to_utf8(bytes);
    EXPECT_TRUE(is_valid_utf8(utf8));
    EXPECT_EQ(utf8_to_cp1252(utf8), bytes);
}

TEST(CodepageCp1252, MapsTheItalianLettersAndTheEuroSign) {
    EXPECT_EQ(cp1252_to_unicode(0xE8), U'è');
    EXPECT_EQ(cp1252_to_unicode(0xC8), U'È');
    EXPECT_EQ(cp1252_to_unicode(0xF9), U'ù');
    EXPECT_EQ(cp1252_to_unicode(0x80), U'€');
    EXPECT_EQ(cp1252_to_utf8("citt\xE0 \x80"), "citt\xC3\xA0 \xE2\x82\xAC");
}

TEST(CodepageCp1252, CharactersOutsideTheSetHaveNoByte) {
    EXPECT_EQ(unicode_to_cp1252(U'日'), std::nullopt);
    EXPECT_EQ(unicode_to_cp1252(U'─'), std::nullopt);
    EXPECT_EQ(unicode_to_cp1252(0x100), std::nullopt);
    EXPECT_EQ(utf8_to_cp1252("a\xE6\x97\xA5z"), "a?z");
    EXPECT_EQ(utf8_to_cp1252("a\xE6\x97\xA5z", '_'), "a_z");
}

TEST(CodepageCp437, FrameAndArrowGlyphs) {
    const std::vector<std::pair<unsigned char, char32_t>> glyphs = {
        {0xDA, U'┌'}, {0xC4, U'─'}, {0xBF, U'┐'}, {0xB3, U'│'}, {0xC0, U'└'}, {0xD9, U'┘'},
        {0x18, U'↑'}, {0x19, U'↓'}, {0x17, U'↨'}, {0x41, U'A'}, {0x7F, U'⌂'}, {0xFF, 0xA0}};
    for (const auto& [byte, ch] : glyphs) EXPECT_EQ(cp437_to_unicode(byte), ch) << "byte " << int{byte};
}

TEST(CodepageUtf8, EncodesAndDecodesEveryLengthAtItsBounds) {
    for (char32_t ch : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        const std::string encoded = utf8_encode(ch);
        char32_t decoded = 0;
        EXPECT_EQ(utf8_decode(encoded, decoded), encoded.size())
            << std::hex << static_cast<std::uint32_t>(ch);
        EXPECT_EQ(decoded, ch);
    }
    EXPECT_EQ(utf8_encode(0x7F).size(), 1u);
    EXPECT_EQ(utf8_encode(0x80).size(), 2u);
    EXPECT_EQ(utf8_encode(0x800).size(), 3u);
    EXPECT_EQ(utf8_encode(0x10000).size(), 4u);
}

TEST(CodepageUtf8, CodePointsWithoutAFormBecomeTheReplacementCharacter) {
    for (char32_t ch : {0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(utf8_encode(ch), "\xEF\xBF\xBD") << std::hex << static_cast<std::uint32_t>(ch);
    }
}

TEST(CodepageUtf8, DecodesOneCharacterAtTheStart) {
    char32_t ch = 0;
    EXPECT_EQ(utf8_decode("\xC3\xA8xyz", ch), 2u);
    EXPECT_EQ(ch, U'è');
    EXPECT_EQ(utf8_decode("\xF0\x9F\x98\x80", ch), 4u);
    EXPECT_EQ(ch, 0x1F600u);
    EXPECT_EQ(utf8_decode("", ch), 0u);
}

TEST(CodepageUtf8, RejectsMalformedSequences) {
    const std::vector<std::string> malformed = {
        "\x80",                  // continuation byte without a lead
        "\xC3",                  // cut short
        "\xE2\x82",              // cut short
        "\xC3\x28",              // lead followed by a non-continuation
        "\xFF",                  // never a lead byte
        "\xF8\x88\x80\x80\x80",  // five-byte form
        "\xC0\xAF",              // overlong "/"
        "\xC1\xBF",              // overlong DEL
        "\xE0\x80\xAF",          // overlong "/"
        "\xF0\x80\x80\xAF",      // overlong "/"
        "\xED\xA0\x80",          // surrogate
        "\xF4\x90\x80\x80",      // past U+10FFFF
    };
    for (const std::string& bytes : malformed) {
        char32_t ch = 0;
        EXPECT_EQ(utf8_decode(bytes, ch), 0u);
        EXPECT_FALSE(is_valid_utf8(bytes));
        EXPECT_FALSE(is_valid_utf8("ok " + bytes + " ok"));
    }
    EXPECT_TRUE(is_valid_utf8("città \xE2\x82\xAC \xF0\x9F\x98\x80"));
}

TEST(CodepageUtf8, MalformedBytesBecomeOneReplacementEach) {
    EXPECT_EQ(utf8_to_cp1252("a\xC0\xAFz"), "a??z");
    EXPECT_EQ(utf8_to_cp1252("\xC3\xA8\xC3"), "\xE8?");
}

}  // namespace
}  // namespace posteri

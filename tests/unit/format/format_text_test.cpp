// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "format/text.h"

namespace posteri {
namespace {

// Windows-1252 bytes of "àèéìòù çñ äöü ÿ š œ ž" and their capitals.
const std::string kLowerAccented = "\xE0\xE8\xE9\xEC\xF2\xF9 \xE7\xF1 \xE4\xF6\xFC \xFF \x9A \x9C \x9E";
const std::string kUpperAccented = "\xC0\xC8\xC9\xCC\xD2\xD9 \xC7\xD1 \xC4\xD6\xDC \x9F \x8A \x8C \x8E";

TEST(FormatTextCase, AccentedLettersChangeCaseBothWays) {
    EXPECT_EQ(to_upper(kLowerAccented), kUpperAccented);
    EXPECT_EQ(to_lower(kUpperAccented), kLowerAccented);
    EXPECT_EQ(to_upper("Perch\xE8 s\xEC"), "PERCH\xC8 S\xCC");
    EXPECT_EQ(to_lower("CITT\xC0"), "citt\xE0");
}

TEST(FormatTextCase, SignsAndLettersWithoutPartnerStayAsTheyAre) {
    // × ÷ ß µ ª º, digits and punctuation.
    const std::string unchanged = "\xD7\xF7\xDF\xB5\xAA\xBA 0123 .,;!?";
    EXPECT_EQ(to_upper(unchanged), unchanged);
    EXPECT_EQ(to_lower(unchanged), unchanged);
}

TEST(FormatTextCase, EveryByteKeepsItsLetterThroughBothDirections) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string upper = to_upper(one);
        EXPECT_EQ(to_upper(to_lower(upper)), upper) << "byte " << b;
    }
}

TEST(FormatTextTrim, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(trim_spaces("  Anna Rossi  "), "Anna Rossi");
    EXPECT_EQ(trim_spaces("\tx "), "\tx");
    EXPECT_EQ(trim_spaces("    "), "");
    EXPECT_EQ(trim_spaces(""), "");
}

TEST(FormatTextFitWidth, CutsOrPadsToTheWidth) {
    EXPECT_EQ(fit_width("abcdef", 3), "abc");
    EXPECT_EQ(fit_width("ab", 5), "ab   ");
    EXPECT_EQ(fit_width("", 2), "  ");
    EXPECT_EQ(fit_width("abc", 0), "");
}

TEST(FormatTextControls, ControlBytesAreShownAsQuestionMarks) {
    struct Row { std::string in, cp1252, utf8; };
    const Row rows[] = {
        {"cr\rOVER.jpg", "cr?OVER.jpg", "cr?OVER.jpg"},
        {"\x1b]0;t\x07\n\b\x7f", "?]0;t????", "?]0;t????"},
        {"citt\xC3\xA0 \xC2\x9B" "2J \xC2\xA0", "citt\xC3\xA0 \xC2\x9B" "2J \xC2\xA0", "citt\xC3\xA0 ?2J \xC2\xA0"},
        {"\xC2", "\xC2", "\xC2"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(controls_shown(row.in), row.cp1252) << row.in;
        EXPECT_EQ(utf8_controls_shown(row.in), row.utf8) << row.in;
    }
}

}  // namespace
}  // namespace posteri

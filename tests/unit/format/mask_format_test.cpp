// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/mask_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace posteri {
namespace {

struct MaskCase {
    std::string mask;
    std::vector<MaskArg> args;
    std::string expected;
};

void PrintTo(const MaskCase& c, std::ostream* os) {
    *os << '"' << c.mask << '"';
    for (const MaskArg& arg : c.args) {
        if (arg.is_number()) {
            *os << ", " << arg.number();
        } else {
            *os << ", \"" << arg.text() << '"';
        }
    }
    *os << " -> \"" << c.expected << '"';
}

class MaskFormatTable : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskFormatTable, FormatsAsExpected) {
    const MaskCase& c = GetParam();
    EXPECT_EQ(mask_format(c.mask, c.args), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramMasks, MaskFormatTable,
    ::testing::Values(MaskCase{"##.# cm", {0.0f}, " 0.0 cm"}, MaskCase{"##.# cm", {0.5f}, " 0.5 cm"},
                      MaskCase{"##.# cm", {2.5f}, " 2.5 cm"}, MaskCase{"##.# cm", {10.0f}, "10.0 cm"},
                      MaskCase{"##.# cm", {-9.5f}, "-9.5 cm"}, MaskCase{"##.# cm", {-10.0f}, "-10.0 cm"},
                      MaskCase{"##### x #####", {3000, 2000}, " 3000 x  2000"},
                      MaskCase{"# x # pixels", {3000, 2000}, "3000 x 2000 pixels"},
                      MaskCase{"# x # dpi", {300, 72}, "300 x 72 dpi"},
                      MaskCase{"#.# x #.# cm", {25.4f, 8.47f}, "25.4 x 8.5 cm"},
                      MaskCase{"##.# x ##.# cm", {21.0f, 29.7f}, "21.0 x 29.7 cm"},
                      MaskCase{"Larghezza del foglio ###.# cm e altezza del foglio ###.# cm",
                               {20.99f, 29.7f},
                               "Larghezza del foglio  21.0 cm e altezza del foglio  29.7 cm"},
                      MaskCase{"Larghezza in pixel ####  e altezza in pixel #### ",
                               {945, 1300},
                               "Larghezza in pixel  945  e altezza in pixel 1300 "},
                      MaskCase{"_,la ###.# cm _, al ###.# cm", {21.0f, 29.7f}, ",la  21.0 cm , al  29.7 cm"},
                      MaskCase{"a.px_cm       =+#.# cm  a.py_cm     =+#.# cm",
                               {3.2f, 3.2f},
                               "a.pxcm       =+3.2 cm  a.pycm     =+3.2 cm"},
                      MaskCase{"a.larghezza_cm=+#.# cm  a.altezza_cm=+#.# cm",
                               {-3.2f, -12.5f},
                               "a.larghezzacm=-3.2 cm  a.altezzacm=-12.5 cm"},
                      MaskCase{"a.larghezza_cm= #.# cm  a.altezza_cm= #.# cm",
                               {15.5f, 0.25f},
                               "a.larghezzacm= 15.5 cm  a.altezzacm= 0.2 cm"},
                      MaskCase{"\\    \\", {"abcdefgh"}, "abcdef"}, MaskCase{"\\    \\", {"ab"}, "ab    "},
                      MaskCase{"\\  \\|\\  \\", {"Nome", "x"}, "Nome|x   "}));

INSTANTIATE_TEST_SUITE_P(
    SignPositions, MaskFormatTable,
    ::testing::Values(MaskCase{"#.#", {-0.5}, "-.5"}, MaskCase{"##.#", {-0.5}, "-0.5"},
                      MaskCase{"#.#", {0.5}, "0.5"}, MaskCase{"#.#", {-0.04}, "-.0"},
                      MaskCase{"#.#", {-5}, "-5.0"}, MaskCase{"+#.#", {3.2f}, "+3.2"},
                      MaskCase{"+#.#", {-3.2f}, "-3.2"}, MaskCase{"+#.#", {12.5f}, "+12.5"},
                      MaskCase{"+#.#", {0.5f}, "+0.5"}, MaskCase{"+#.#", {-0.5f}, "-0.5"},
                      MaskCase{"+##", {0}, " +0"}, MaskCase{"#", {-5}, "-5"}, MaskCase{"#", {-12}, "-12"},
                      MaskCase{"#", {-0.4}, "-0"}, MaskCase{"##", {-5}, "-5"}, MaskCase{"##", {-12}, "-12"},
                      MaskCase{"###", {-5}, " -5"}, MaskCase{".##", {0.5}, ".50"},
                      MaskCase{".##", {-0.5}, "-.50"}, MaskCase{".#", {3}, "3.0"},
                      MaskCase{"+.#", {0.5}, "+.5"}, MaskCase{"+. cm", {3}, "+3. cm"},
                      MaskCase{"#", {-0.0}, "0"}, MaskCase{"+#.#", {-0.0}, "+0.0"},
                      MaskCase{"#", {std::numeric_limits<std::int32_t>::min()}, "-2147483648"}));

INSTANTIATE_TEST_SUITE_P(
    Rounding, MaskFormatTable,
    ::testing::Values(MaskCase{"#", {0.5}, "1"}, MaskCase{"#", {-0.5}, "-1"}, MaskCase{"#", {1.5}, "2"},
                      MaskCase{"#", {2.5}, "2"}, MaskCase{"#", {3.5}, "4"}, MaskCase{"#", {0.49}, "0"},
                      MaskCase{"#", {0.25}, "0"}, MaskCase{"#.#", {0.25}, "0.2"},
                      MaskCase{"#.#", {0.75}, "0.8"}, MaskCase{"#.#", {0.35f}, "0.3"},
                      MaskCase{"#.#", {0.05f}, "0.1"}, MaskCase{"#.#", {0.06}, "0.1"},
                      MaskCase{"#.#", {0.05}, "0.1"}, MaskCase{"#.#", {0.15}, "0.1"},
                      MaskCase{"#.#", {0.45}, "0.5"}, MaskCase{"#.##", {2.675}, "2.67"},
                      MaskCase{"#.##", {0.125}, "0.12"}, MaskCase{"#.##", {0.375}, "0.38"},
                      MaskCase{"#.#", {9.96}, "10.0"}, MaskCase{"#.#", {9.95f}, "9.9"},
                      MaskCase{"##.#", {99.96}, "100.0"}, MaskCase{"#.#", {0.0}, "0.0"},
                      MaskCase{"###.", {12}, " 12."}, MaskCase{"#.", {0.5}, "1."},
                      // 1 + 2^-18 has 19 significant digits ending in 5: the 18-digit form keeps the even 2.
                      MaskCase{"#.#################", {1.000003814697265625}, "1.00000381469726562"},
                      MaskCase{"#.####################", {0.1}, "0.10000000000000000600"}));

INSTANTIATE_TEST_SUITE_P(
    FieldsAndReuse, MaskFormatTable,
    ::testing::Values(MaskCase{"##", {1, 2}, " 1 2"}, MaskCase{"# x # pixels", {3000}, "3000 x "},
                      MaskCase{"# x # pixels", {1, 2, 3}, "1 x 2 pixels3 x "},
                      MaskCase{"Valore: # cm", {}, "Valore: "}, MaskCase{"(&)", {"a", "b"}, "(a)(b)"},
                      MaskCase{"& ha ### anni", {"Anna", 7}, "Anna ha   7 anni"},
                      MaskCase{"&", {"abc"}, "abc"}, MaskCase{"!", {"abc"}, "a"}, MaskCase{"!", {""}, " "},
                      MaskCase{"&", {""}, ""}, MaskCase{"\\\\", {"abc"}, "ab"},
                      MaskCase{"##.##.#", {1, 2}, " 1.002.0"}, MaskCase{"_#_&_!_\\ #", {5}, "#&!\\ 5"},
                      MaskCase{"___#", {5}, "_#"}));

INSTANTIATE_TEST_SUITE_P(UnusedNotationsAndOddMasks, MaskFormatTable,
                         ::testing::Values(MaskCase{"#,###", {1234, 5}, "1234,  5"},
                                           MaskCase{"**#", {5}, "**5"}, MaskCase{"$#", {5}, "$5"},
                                           MaskCase{"##^^^^", {5}, " 5^^^^"}, MaskCase{"##+", {5}, " 5+"},
                                           MaskCase{"##-", {-5}, "-5-"}, MaskCase{"a + b #", {3}, "a + b 3"},
                                           MaskCase{"++#", {3}, "++3"}, MaskCase{"#_", {5}, "5_"},
                                           MaskCase{"ab_", {1}, "ab_"}, MaskCase{"\\  ", {"x"}, "\\  "},
                                           MaskCase{"\\ &", {"x"}, "\\ x"}, MaskCase{"ciao", {1, 2}, "ciao"},
                                           MaskCase{"", {1}, ""}, MaskCase{"", {}, ""},
                                           MaskCase{"x.y", {1}, "x.y"}));

INSTANTIATE_TEST_SUITE_P(ArgumentOfTheOtherKind, MaskFormatTable,
                         ::testing::Values(MaskCase{"[&]", {3.2f}, "[3.2]"}, MaskCase{"[&]", {-5}, "[-5]"},
                                           MaskCase{"[&]", {1234567890}, "[1234567890]"},
                                           MaskCase{"[&]", {0.5}, "[.5]"},
                                           MaskCase{"[\\  \\]", {12345}, "[1234]"},
                                           MaskCase{"[!]", {7}, "[7]"}, MaskCase{"[####]", {"ab"}, "[  ab]"},
                                           MaskCase{"[#]", {"abc"}, "[abc]"}));

const double kInfinity = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    ExtremeValues, MaskFormatTable,
    ::testing::Values(
        MaskCase{"##.#", {kNaN}, " NaN"}, MaskCase{"#", {kNaN}, "NaN"}, MaskCase{"+#", {kNaN}, "NaN"},
        MaskCase{"##.#", {kInfinity}, " Inf"}, MaskCase{"##.#", {-kInfinity}, "-Inf"},
        MaskCase{"+#", {kInfinity}, "+Inf"}, MaskCase{"#", {1e20}, "100000000000000000000"},
        MaskCase{"#", {123456789012345678901.0}, "123456789012345684000"},
        MaskCase{"#.#", {std::numeric_limits<double>::denorm_min()}, "0.0"},
        MaskCase{"#.#", {-std::numeric_limits<double>::denorm_min()}, "-.0"},
        MaskCase{"#", {std::numeric_limits<float>::max()}, "340282346638528860000000000000000000000"}));

TEST(MaskFormatLimits, HugeValueGrowsTheFieldToAllItsDigits) {
    const std::string text = mask_format("#", {1e308});
    ASSERT_EQ(text.size(), 309u);
    EXPECT_EQ(text.substr(0, 20), "10000000000000000100");
    EXPECT_EQ(text.find_first_not_of('0', 20), std::string::npos);
}

TEST(MaskFormatLimits, ResultIsCutAt1024Characters) {
    EXPECT_EQ(mask_format("&", {std::string(2000, 'x')}), std::string(1024, 'x'));
    EXPECT_EQ(mask_format(std::string(1500, '#'), {5}), std::string(1024, ' '));
    const std::vector<MaskArg> many(3000, MaskArg(7));
    const std::string repeated = mask_format("# ", many);
    ASSERT_EQ(repeated.size(), 1024u);
    EXPECT_EQ(repeated.substr(0, 6), "7 7 7 ");
    EXPECT_EQ(mask_format(std::string(2000, 'a') + "#", {1, 2}), std::string(1024, 'a'));
}

TEST(MaskFormatLimits, ManyDecimalPlacesKeepZerosPastTheEighteenthDigit) {
    const std::string mask = "#." + std::string(30, '#');
    EXPECT_EQ(mask_format(mask, {1.0 / 3.0}), "0.333333333333333315000000000000");
}

}  // namespace
}  // namespace posteri

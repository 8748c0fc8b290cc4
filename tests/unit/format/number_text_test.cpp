// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace posteri {
namespace {

struct NumberCase {
    double value;
    int significant_digits;
    std::string expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << c.value << " with " << c.significant_digits << " digits -> \"" << c.expected << '"';
}

class GeneralNumberTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(GeneralNumberTable, WritesTheExpectedText) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(general_number(c.value, c.significant_digits), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PlainForm, GeneralNumberTable,
    ::testing::Values(NumberCase{3.2f, 7, " 3.2"}, NumberCase{-3.2f, 7, "-3.2"}, NumberCase{0.5, 7, " .5"},
                      NumberCase{-0.5f, 7, "-.5"}, NumberCase{10, 7, " 10"}, NumberCase{100, 7, " 100"},
                      NumberCase{0, 7, " 0"}, NumberCase{-0.0, 7, " 0"}, NumberCase{0.1f, 7, " .1"},
                      NumberCase{2.5f, 7, " 2.5"}, NumberCase{-10, 7, "-10"},
                      NumberCase{1234567, 7, " 1234567"}, NumberCase{0.0001f, 7, " .0001"},
                      NumberCase{1e-7f, 7, " .0000001"}, NumberCase{0.1234567f, 7, " .1234567"},
                      NumberCase{1.5e-6f, 7, " .0000015"}, NumberCase{12.34567f, 7, " 12.34567"},
                      NumberCase{1, 15, " 1"}, NumberCase{3, 15, " 3"}, NumberCase{-2, 15, "-2"},
                      NumberCase{2147483647, 15, " 2147483647"},
                      NumberCase{123456789012345.0, 15, " 123456789012345"},
                      NumberCase{3.2f, 15, " 3.20000004768372"}));

INSTANTIATE_TEST_SUITE_P(
    ExponentForm, GeneralNumberTable,
    ::testing::Values(NumberCase{12345678, 7, " 1.234568E+7"}, NumberCase{123456789, 7, " 1.234568E+8"},
                      NumberCase{-1e10, 7, "-1E+10"}, NumberCase{-1e-10, 7, "-1E-10"},
                      NumberCase{1e-8f, 7, " 1E-8"}, NumberCase{0.01234567, 7, " 1.234567E-2"},
                      NumberCase{1.5e-7, 7, " 1.5E-7"},
                      NumberCase{1234567890123456.0, 15, " 1.23456789012346E+15"},
                      NumberCase{1e15, 15, " 1E+15"}, NumberCase{1e308, 7, " 1E+308"},
                      NumberCase{std::numeric_limits<double>::denorm_min(), 7, " 4.940656E-324"}));

INSTANTIATE_TEST_SUITE_P(RoundingToSignificantDigits, GeneralNumberTable,
                         ::testing::Values(
                             // Rounding comes first: a value that rounds up to a new digit changes form.
                             NumberCase{9999999.5, 7, " 1E+7"}, NumberCase{999999999999999.9, 15, " 1E+15"},
                             NumberCase{9999999.4, 7, " 9999999"}, NumberCase{0.99999996, 7, " 1"},
                             // Exact ties go to the even digit.
                             NumberCase{12345665, 7, " 1.234566E+7"}, NumberCase{12345675, 7, " 1.234568E+7"},
                             NumberCase{2.5, 1, " 2"}, NumberCase{3.5, 1, " 4"}));

INSTANTIATE_TEST_SUITE_P(OutOfRangeArguments, GeneralNumberTable,
                         ::testing::Values(NumberCase{std::numeric_limits<double>::quiet_NaN(), 7, " NaN"},
                                           NumberCase{std::numeric_limits<double>::infinity(), 7, " Inf"},
                                           NumberCase{-std::numeric_limits<double>::infinity(), 15, "-Inf"},
                                           NumberCase{3.25, 0, " 3"}, NumberCase{-7.5, -4, "-8"},
                                           NumberCase{0.1, 40, " .10000000000000001"}));

}  // namespace
}  // namespace posteri

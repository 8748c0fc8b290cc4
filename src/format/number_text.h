// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's plain number-to-text rule (files, editor rows, report lines), and the reading of
// the number a text starts with.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace posteri {

// A sign position (" " for zero and positive values, "-" for negative ones), then the value rounded
// to `significant_digits` (7 for single floats, 15 for integers), without trailing zeros or a
// trailing point, without "0" before the point (".5"), or in exponent form ("1.234568E+8") outside
// the plain range. No trailing space: files add it.
std::string general_number(double value, int significant_digits);

// The number at the start of a text: leading spaces skipped, optional sign, digits with an optional
// decimal point, optional exponent; reading stops at the first other character and no number at all
// reads as 0 (" 3.5 cm" gives 3.5, "-10.0 cm" -10, "x" 0). Empty when the number overflows.
std::optional<double> read_number(std::string_view text);
// Whether the text starts with a number at all, as read_number reads it ("2abc" does, "abc", "-" and
// "." do not).
bool starts_with_number(std::string_view text);
// The same number as a single float; empty when it does not fit one.
std::optional<float> read_single(std::string_view text);
// The same number rounded to the nearest integer, ties to the even neighbour; empty when it does not
// fit 32 bits.
std::optional<std::int32_t> read_integer(std::string_view text);

}  // namespace posteri

#pragma once
// The program's plain number-to-text rule (files, editor rows, report lines).

#include <string>

namespace posteri {

// A sign position (" " for zero and positive values, "-" for negative ones), then the value rounded
// to `significant_digits` (7 for single floats, 15 for integers), without trailing zeros or a
// trailing point, without "0" before the point (".5"), or in exponent form ("1.234568E+8") outside
// the plain range. No trailing space: files add it.
std::string general_number(double value, int significant_digits);

}  // namespace posteri

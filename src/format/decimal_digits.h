// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decimal digits of a double, correctly rounded from its exact binary value.

#include <string>

namespace posteri {

// magnitude = d0.d1d2... × 10^exponent, with `digits` holding exactly the requested count of digits
// (the first one non-zero unless the magnitude is 0).
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

// `magnitude` must be finite and not negative; `significant_digits` is at least 1. Ties in the exact
// binary expansion go to the even digit.
DecimalDigits decimal_digits(double magnitude, int significant_digits);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/decimal_digits.h"

#include <charconv>
#include <cstdlib>
#include <vector>

namespace posteri {

// std::to_chars with a precision rounds the exact binary value, ties to even, and unlike printf it
// never uses the locale's decimal point.
DecimalDigits decimal_digits(double magnitude, int significant_digits) {
    // One digit, the point, the further digits, and "e-308" at most.
    std::vector<char> buffer(static_cast<std::size_t>(significant_digits) + 8);
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::scientific, significant_digits - 1);
    const std::string text(buffer.data(), written.ptr);
    const std::size_t e = text.find('e');

    DecimalDigits result;
    result.digits = text.substr(0, 1);
    if (e > 2) result.digits += text.substr(2, e - 2);
    result.exponent = std::atoi(text.c_str() + e + 1);
    return result;
}

}  // namespace posteri

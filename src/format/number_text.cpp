#include "format/number_text.h"

#include <algorithm>
#include <cmath>

#include "format/decimal_digits.h"

// The value is first rounded to the significant digits (ties in its exact binary value go to the
// even digit) and stripped of trailing zeros. It is written plainly when that needs at most as many
// integer digits and at most as many decimal places as there are significant digits: with 7 digits
// 1234567 stays " 1234567" and 1E-7 stays " .0000001", while 12345678 becomes " 1.234568E+7" and
// 1E-8 becomes " 1E-8" (and 0.01234567 " 1.234567E-2"). Otherwise the exponent form is used.
// The digit count is kept within 1 to 17, all a double can carry; NaN gives " NaN" and infinities
// " Inf" and "-Inf"; -0 is written as " 0".

namespace posteri {

namespace {

std::string plain_form(const std::string& digits, int exponent) {
    if (exponent < 0) return "." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    const auto integer_length = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integer_length) return digits + std::string(integer_length - digits.size(), '0');
    return digits.substr(0, integer_length) + "." + digits.substr(integer_length);
}

std::string exponent_form(const std::string& digits, int exponent) {
    std::string text = digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    return text + "E" + (exponent < 0 ? "-" : "+") + std::to_string(std::abs(exponent));
}

}  // namespace

std::string general_number(double value, int significant_digits) {
    if (std::isnan(value)) return " NaN";
    const std::string sign = value < 0 ? "-" : " ";
    if (std::isinf(value)) return sign + "Inf";
    if (value == 0) return " 0";

    const int precision = std::clamp(significant_digits, 1, 17);
    DecimalDigits rounded = decimal_digits(std::fabs(value), precision);
    std::string& digits = rounded.digits;
    digits.erase(digits.find_last_not_of('0') + 1);

    const int integer_digits = rounded.exponent + 1;
    const int decimal_places = static_cast<int>(digits.size()) - 1 - rounded.exponent;
    if (integer_digits > precision || decimal_places > precision) {
        return sign + exponent_form(digits, rounded.exponent);
    }
    return sign + plain_form(digits, rounded.exponent);
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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

std::size_t skip_digits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    return pos;
}

// For a number too large or too small for a double: whether it is too large. `mantissa` holds
// digits with an optional point, `exponent` an optionally signed exponent.
bool beyond_largest(std::string_view mantissa, std::string_view exponent) {
    const std::size_t first = mantissa.find_first_of("123456789");
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    // The decimal exponent of the first significant digit, without the written exponent.
    const long long lead =
        first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    const bool negative_power = exponent.starts_with('-');
    if (exponent.starts_with('-') || exponent.starts_with('+')) exponent.remove_prefix(1);
    long long power = 0;
    for (const char c : exponent) power = std::min(power * 10 + (c - '0'), 1'000'000LL);
    return lead + (negative_power ? -power : power) > 0;
}

// Where the digits and the point a number text starts with lie, after leading spaces and a sign.
struct MantissaSpan {
    bool negative = false;
    std::size_t start = 0;
    std::size_t end = 0;
};

MantissaSpan mantissa_span(std::string_view value) {
    std::size_t pos = std::min(value.find_first_not_of(' '), value.size());
    const bool negative = pos < value.size() && value[pos] == '-';
    if (pos < value.size() && (value[pos] == '-' || value[pos] == '+')) ++pos;
    std::size_t end = skip_digits(value, pos);
    if (end < value.size() && value[end] == '.') end = skip_digits(value, end + 1);
    return {negative, pos, end};
}

bool has_digit(std::string_view text) { return text.find_first_of("0123456789") != std::string_view::npos; }

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

bool starts_with_number(std::string_view text) {
    const MantissaSpan span = mantissa_span(text);
    return has_digit(text.substr(span.start, span.end - span.start));
}

std::optional<double> read_number(std::string_view value) {
    const MantissaSpan span = mantissa_span(value);
    std::size_t end = span.end;
    const std::string_view mantissa = value.substr(span.start, end - span.start);
    if (!has_digit(mantissa)) return 0.0;

    std::string_view exponent;
    if (end < value.size() && (value[end] == 'E' || value[end] == 'e')) {
        std::size_t digits = end + 1;
        if (digits < value.size() && (value[digits] == '-' || value[digits] == '+')) ++digits;
        const std::size_t exponent_end = skip_digits(value, digits);
        if (exponent_end > digits) {
            exponent = value.substr(end + 1, exponent_end - end - 1);
            end = exponent_end;
        }
    }
    double magnitude = 0;
    const auto result = std::from_chars(value.data() + span.start, value.data() + end, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        if (beyond_largest(mantissa, exponent)) return std::nullopt;
        magnitude = 0;
    }
    if (magnitude == 0) return 0.0;
    return span.negative ? -magnitude : magnitude;
}

std::optional<float> read_single(std::string_view value) {
    const std::optional<double> number = read_number(value);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(*number);
}

std::optional<std::int32_t> read_integer(std::string_view value) {
    const std::optional<double> number = read_number(value);
    if (!number) return std::nullopt;
    const double rounded = std::nearbyint(*number);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

}  // namespace posteri

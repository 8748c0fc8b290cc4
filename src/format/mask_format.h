// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Formatting by "#" masks: every number the program shows goes through mask_format.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace posteri {

// One argument of mask_format: a number (held exactly as the caller passed it) or a text.
class MaskArg {
public:
    MaskArg(std::int32_t value) : value_(static_cast<double>(value)) {}
    MaskArg(float value) : value_(static_cast<double>(value)) {}
    MaskArg(double value) : value_(value) {}
    MaskArg(std::string_view text) : value_(std::string(text)) {}
    MaskArg(const char* text) : value_(std::string(text)) {}
    MaskArg(const std::string& text) : value_(text) {}

    bool is_number() const { return std::holds_alternative<double>(value_); }
    double number() const { return std::get<double>(value_); }
    const std::string& text() const { return std::get<std::string>(value_); }

private:
    std::variant<double, std::string> value_;
};

std::string mask_format(std::string_view mask, const std::vector<MaskArg>& args);
inline std::string mask_format(std::string_view mask, std::initializer_list<MaskArg> args) {
    return mask_format(mask, std::vector<MaskArg>(args));
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/mask_format.h"

#include <cmath>
#include <cstddef>
#include <optional>

#include "format/decimal_digits.h"
#include "format/number_text.h"
#include "format/text.h"

// Mask notation: runs of "#" are digit positions ("+" before them asks for a sign, "." and more "#"
// for decimal places), "&", "!" and "\  \" take texts, "_" makes the next character literal, and
// everything else is copied. Choices for masks and arguments the program never produces:
// - ",", "*", "$", "^" and a "+" or "-" after digit positions are plain literal text, and so is a "+"
//   not followed by "#" or "." ("+." alone is a field without digit positions);
// - a "_" at the very end of the mask is copied as itself, as is a "\" without its closing "\";
// - a mask without any field is copied once and its arguments are ignored;
// - with no arguments at all, only the text before the first field is produced;
// - a number at a string field is given as its plain number text without the sign position
//   (15 significant digits for whole values, 7 otherwise);
// - a text at a numeric field is right-aligned in the field's width, like a number's digits;
// - NaN gives "NaN" and infinities give "Inf" with the field's sign, right-aligned in the field;
// - digits past the 18th significant one are zeros, so 1e20 gives all its integer digits;
// - -0.0 counts as zero, not as a negative value.

namespace posteri {

namespace {

constexpr std::size_t kMaxResultLength = 1024;
// The significant digits a number is taken to before it is rounded to the field's decimal places.
constexpr int kExpansionDigits = 18;

struct NumericField {
    bool plus = false;
    std::size_t integer_positions = 0;
    bool point = false;
    std::size_t decimal_places = 0;

    std::size_t width() const {
        return integer_positions + decimal_places + (point ? 1 : 0) + (plus ? 1 : 0);
    }
};

struct StringField {
    enum class Kind { whole, first_character, fixed_width };
    Kind kind = Kind::whole;
    std::size_t width = 0;
};

struct Field {
    std::variant<NumericField, StringField> layout;
    std::size_t length = 0;  // characters of the mask it spans
};

std::size_t count_hashes(std::string_view mask, std::size_t pos) {
    std::size_t count = 0;
    while (pos + count < mask.size() && mask[pos + count] == '#') ++count;
    return count;
}

bool has_char_at(std::string_view mask, std::size_t pos, char c) {
    return pos < mask.size() && mask[pos] == c;
}

std::optional<Field> numeric_field_at(std::string_view mask, std::size_t pos) {
    const std::size_t start = pos;
    NumericField field;
    if (mask[pos] == '+') {
        if (!has_char_at(mask, pos + 1, '#') && !has_char_at(mask, pos + 1, '.')) return std::nullopt;
        field.plus = true;
        ++pos;
    } else if (mask[pos] == '.') {
        if (!has_char_at(mask, pos + 1, '#')) return std::nullopt;
    } else if (mask[pos] != '#') {
        return std::nullopt;
    }
    field.integer_positions = count_hashes(mask, pos);
    pos += field.integer_positions;
    if (has_char_at(mask, pos, '.')) {
        field.point = true;
        field.decimal_places = count_hashes(mask, pos + 1);
        pos += 1 + field.decimal_places;
    }
    return Field{field, pos - start};
}

std::optional<Field> string_field_at(std::string_view mask, std::size_t pos) {
    switch (mask[pos]) {
        case '&':
            return Field{StringField{StringField::Kind::whole, 0}, 1};
        case '!':
            return Field{StringField{StringField::Kind::first_character, 1}, 1};
        case '\\': {
            std::size_t close = pos + 1;
            while (has_char_at(mask, close, ' ')) ++close;
            if (!has_char_at(mask, close, '\\')) return std::nullopt;
            const std::size_t width = close - pos + 1;
            return Field{StringField{StringField::Kind::fixed_width, width}, width};
        }
        default:
            return std::nullopt;
    }
}

std::optional<Field> field_at(std::string_view mask, std::size_t pos) {
    if (auto field = string_field_at(mask, pos)) return field;
    return numeric_field_at(mask, pos);
}

// Copies literal text from `pos` up to the next field and returns where that field starts (or the
// mask's end).
std::size_t copy_literal(std::string_view mask, std::size_t pos, std::string& out) {
    while (pos < mask.size()) {
        if (mask[pos] == '_' && pos + 1 < mask.size()) {
            out += mask[pos + 1];
            pos += 2;
        } else if (field_at(mask, pos)) {
            return pos;
        } else {
            out += mask[pos++];
        }
    }
    return pos;
}

std::string pad_left(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// Adds one to a decimal digit string ("" counts as 0).
void increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

bool rounds_up(std::string_view kept, std::string_view dropped, bool no_decimal_places) {
    if (dropped.empty() || dropped[0] < '5') return false;
    const bool exact_half = dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string_view::npos;
    if (!exact_half) return true;
    // Nothing kept means a magnitude below 1 with no decimal places: exactly one half goes up to 1.
    if (kept.empty()) return no_decimal_places;
    return (kept.back() - '0') % 2 == 1;
}

struct RoundedNumber {
    std::string integer_digits;  // without leading zeros: empty when the integer part is 0
    std::string decimals;        // exactly the requested count
};

RoundedNumber round_to_decimal_places(double magnitude, std::size_t decimal_places) {
    const DecimalDigits expansion = decimal_digits(magnitude, kExpansionDigits);
    const std::string_view digits = expansion.digits;
    // How many leading digits of the expansion (followed by endless zeros) lie at or above 10^-f.
    const long long kept_count = expansion.exponent + static_cast<long long>(decimal_places) + 1;

    std::string scaled;  // the magnitude times 10^f, rounded to a whole number
    std::string_view dropped;
    if (kept_count >= kExpansionDigits) {
        scaled.assign(digits);
        scaled.append(static_cast<std::size_t>(kept_count - kExpansionDigits), '0');
    } else if (kept_count >= 0) {
        scaled.assign(digits.substr(0, static_cast<std::size_t>(kept_count)));
        dropped = digits.substr(static_cast<std::size_t>(kept_count));
    }
    if (rounds_up(scaled, dropped, decimal_places == 0)) increment(scaled);

    if (scaled.size() < decimal_places) scaled.insert(0, decimal_places - scaled.size(), '0');
    const std::size_t integer_length = scaled.size() - decimal_places;
    RoundedNumber rounded{scaled.substr(0, integer_length), scaled.substr(integer_length)};
    rounded.integer_digits.erase(0, rounded.integer_digits.find_first_not_of('0'));
    return rounded;
}

// Whether a zero integer part is written as "0": only when a position is left for it once a minus
// sign without "+" has taken one ("#.#" has none left for a negative value; a lone "#" grows).
bool zero_has_position(const NumericField& field, bool negative) {
    if (field.integer_positions >= 2) return true;
    if (field.integer_positions == 0) return false;
    return !negative || field.plus || !field.point;
}

std::string format_number(const NumericField& field, double value) {
    const bool negative = value < 0;
    const std::string sign = negative ? "-" : field.plus ? "+" : "";
    if (std::isnan(value)) return pad_left("NaN", field.width());
    if (std::isinf(value)) return pad_left(sign + "Inf", field.width());

    const RoundedNumber rounded = round_to_decimal_places(std::fabs(value), field.decimal_places);
    std::string body = rounded.integer_digits;
    if (body.empty() && zero_has_position(field, negative)) body = "0";
    if (field.point) body += "." + rounded.decimals;
    // Whatever does not fit widens the field to the left.
    return pad_left(sign + body, field.width());
}

std::string format_text(const StringField& field, std::string_view text) {
    switch (field.kind) {
        case StringField::Kind::whole:
            return std::string(text);
        case StringField::Kind::first_character:
            return text.empty() ? " " : std::string(text.substr(0, 1));
        case StringField::Kind::fixed_width:
            return fit_width(text, field.width);
    }
    return {};
}

std::string number_as_text(double value) {
    const int digits = std::trunc(value) == value ? 15 : 7;
    return std::string(trim_spaces(general_number(value, digits)));
}

std::string format_field(const Field& field, const MaskArg& arg) {
    if (const auto* numeric = std::get_if<NumericField>(&field.layout)) {
        return arg.is_number() ? format_number(*numeric, arg.number())
                               : pad_left(arg.text(), numeric->width());
    }
    const auto& string_field = std::get<StringField>(field.layout);
    return format_text(string_field, arg.is_number() ? number_as_text(arg.number()) : arg.text());
}

}  // namespace

std::string mask_format(std::string_view mask, const std::vector<MaskArg>& args) {
    std::string out;
    std::size_t pos = copy_literal(mask, 0, out);
    const bool has_field = pos < mask.size();
    std::size_t next_arg = 0;
    while (has_field && next_arg < args.size() && out.size() < kMaxResultLength) {
        if (pos == mask.size()) {
            // Arguments are left over: the mask starts again.
            pos = copy_literal(mask, 0, out);
            continue;
        }
        const Field field = *field_at(mask, pos);
        out += format_field(field, args[next_arg++]);
        pos = copy_literal(mask, pos + field.length, out);
    }
    if (out.size() > kMaxResultLength) out.resize(kMaxResultLength);
    return out;
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/text.h"

#include <algorithm>

namespace posteri {

namespace {

// Windows-1252 letters with a case partner: ASCII, the Latin-1 block (but not × and ÷) and the
// three pairs among 0x80..0x9F (Š/š, Œ/œ, Ž/ž); Ÿ (0x9F) pairs with ÿ (0xFF).
char upper_of(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<char>(c - 16);
    if (c == 0xFF) return static_cast<char>(0x9F);
    return static_cast<char>(c);
}

unsigned char sort_code(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code >= 'a' && code <= 'z') ? static_cast<unsigned char>(code - 32) : code;
}

char lower_of(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<char>(c + 16);
    if (c == 0x9F) return static_cast<char>(0xFF);
    return static_cast<char>(c);
}

}  // namespace

std::string_view trim_spaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string to_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper_of(static_cast<unsigned char>(c));
    return out;
}

std::string to_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower_of(static_cast<unsigned char>(c));
    return out;
}

bool sorts_before(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return sort_code(x) < sort_code(y); });
}

std::string fit_width(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::vector<std::string> split_at(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        pieces.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

std::string echoed(std::string_view text) {
    constexpr std::size_t kLongestEcho = 60;
    if (text.size() <= kLongestEcho) return std::string(text);
    return std::string(text.substr(0, kLongestEcho)) + '\x85';
}

namespace {
bool is_control(unsigned char c) { return c < 32 || c == 127; }
}  // namespace

std::string controls_shown(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (is_control(static_cast<unsigned char>(c))) c = '?';
    return out;
}

std::string utf8_controls_shown(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
        if (c1) ++i;
        out += c1 || is_control(c) ? '?' : utf8[i];
    }
    return out;
}

}  // namespace posteri

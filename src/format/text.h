// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers over Windows-1252 text.

#include <string>
#include <string_view>
#include <vector>

namespace posteri {

// Without spaces at both ends (only the space character, as the program's texts are trimmed).
std::string_view trim_spaces(std::string_view text);
// Letter case of Windows-1252 text, accented letters included.
std::string to_upper(std::string_view text);
std::string to_lower(std::string_view text);
// Whether `a` sorts before `b`, character by character by code with the letters a to z taken as A to
// Z (every other character, accented letters included, by its own code).
bool sorts_before(std::string_view a, std::string_view b);
// The text cut to `width` characters or padded on the right with spaces to exactly `width`.
std::string fit_width(std::string_view text, std::size_t width);
// The pieces between separators: n separators give n + 1 pieces, empty ones included.
std::vector<std::string> split_at(std::string_view text, char separator);
// A value from outside repeated in a message: its first 60 characters, then "\x85" ("…") when it had
// more, so that a huge value cannot bury what the message says.
std::string echoed(std::string_view text);
// Text from outside (names, remembered texts) made safe to show: every control byte (below 32, and
// 127) becomes '?', so it is shown and never obeyed by a terminal.
std::string controls_shown(std::string_view text);
// The same for UTF-8 text bound for a terminal or a script's pipe: the C1 controls (U+0080 to U+009F,
// bytes C2 80 to C2 9F) become one '?' each too.
std::string utf8_controls_shown(std::string_view utf8);

}  // namespace posteri

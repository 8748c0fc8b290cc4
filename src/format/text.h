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
// The text cut to `width` characters or padded on the right with spaces to exactly `width`.
std::string fit_width(std::string_view text, std::size_t width);
// The pieces between separators: n separators give n + 1 pieces, empty ones included.
std::vector<std::string> split_at(std::string_view text, char separator);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/console_text.h"

#include <string>

#include "format/text.h"

namespace posteri {

void write_centred_line(Console& console, std::string_view text) {
    const auto width = static_cast<std::size_t>(console.size().cols);
    // Names from outside go into these lines: a CR or LF in one would move the line, not show it.
    const std::string shown = controls_shown(text);
    text = std::string_view(shown).substr(0, width);
    const std::size_t before = (width - text.size()) / 2;
    std::string line(before, ' ');
    line += text;
    line.resize(width, ' ');
    console.write(line);
}

}  // namespace posteri

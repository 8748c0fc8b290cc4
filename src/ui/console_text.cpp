#include "ui/console_text.h"

#include <string>

namespace posteri {

void write_centred_line(Console& console, std::string_view text) {
    const auto width = static_cast<std::size_t>(console.size().cols);
    text = text.substr(0, width);
    const std::size_t before = (width - text.size()) / 2;
    std::string line(before, ' ');
    line += text;
    line.resize(width, ' ');
    console.write(line);
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frame.h"

#include <algorithm>
#include <string>
#include <vector>

#include "format/codepage.h"

namespace posteri {

namespace {

std::string top_border(int inner_width, FrameTop top) {
    std::string border(1, glyphs::kTopLeft);
    if (top == FrameTop::Plain) {
        border.append(static_cast<std::size_t>(std::max(inner_width, 0)), glyphs::kHorizontal);
    } else {
        border.append(static_cast<std::size_t>(std::max(inner_width - 3, 0)), glyphs::kHorizontal);
        border += std::string("?") + glyphs::kHorizontal + "x";
    }
    return border + glyphs::kTopRight;
}

std::string bottom_border(int inner_width) {
    return glyphs::kBottomLeft +
           std::string(static_cast<std::size_t>(std::max(inner_width, 0)), glyphs::kHorizontal) +
           glyphs::kBottomRight;
}

}  // namespace

void write_at(Console& console, int row, int col, std::string_view bytes, Attribute colours,
              Charset charset) {
    if (bytes.empty()) return;
    std::vector<Cell> cells;
    cells.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        cells.push_back(
            Cell{charset == Charset::Glyphs ? cp437_to_unicode(code) : cp1252_to_unicode(code), colours});
    }
    const int last = col + static_cast<int>(bytes.size()) - 1;
    console.write_cells(CellRect{row, col, row, last}, cells);
}

CellPos draw_frame(Console& console, const FrameSpec& frame) {
    const int row = frame.corner.row;
    const int col = frame.corner.col;
    const int width = frame.inner_width;
    write_at(console, row, col, top_border(width, frame.top), frame.colours, Charset::Glyphs);
    const int title_length = static_cast<int>(frame.title.size());
    write_at(console, row, col + (width + 2 - title_length) / 2, frame.title, frame.colours);
    const std::string blanks(static_cast<std::size_t>(std::max(width, 0)), ' ');
    for (int k = 1; k <= frame.inner_rows; ++k) {
        write_at(console, row + k, col, std::string(1, glyphs::kVertical), frame.colours, Charset::Glyphs);
        write_at(console, row + k, col + 1, blanks, frame.colours);
        write_at(console, row + k, col + 1 + width, std::string(1, glyphs::kVertical), frame.colours,
                 Charset::Glyphs);
    }
    write_at(console, row + frame.inner_rows + 1, col, bottom_border(width), frame.colours, Charset::Glyphs);
    return CellPos{row + 1, col + 1};
}

}  // namespace posteri

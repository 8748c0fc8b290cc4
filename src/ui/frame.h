// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The look of a framed console window, and text placed at a cell without moving the cursor.

#include <string_view>

#include "platform/terminal/console.h"

namespace posteri {

// Code-page-437 glyphs of the frame.
namespace glyphs {
inline constexpr char kTopLeft = '\xDA';
inline constexpr char kHorizontal = '\xC4';
inline constexpr char kTopRight = '\xBF';
inline constexpr char kVertical = '\xB3';
inline constexpr char kBottomLeft = '\xC0';
inline constexpr char kBottomRight = '\xD9';
}  // namespace glyphs

// Writes the bytes into the cells of one row starting at (row, col), in the given colours, without
// wrapping, scrolling or moving the cursor; what falls outside the screen is left out.
void write_at(Console& console, int row, int col, std::string_view bytes, Attribute colours,
              Charset charset = Charset::Text);

// The top border either carries the help mark "?" and the close mark "x" near its right end, or is
// a plain line.
enum class FrameTop { WithMarks, Plain };

struct FrameSpec {
    CellPos corner;       // outer top-left cell
    int inner_width = 0;  // W
    int inner_rows = 0;   // R
    Attribute colours = 7;
    std::string_view title;
    FrameTop top = FrameTop::WithMarks;
};

// Draws the border, blanks the inner cells and centres the title over the top border. The window is
// (W + 2) x (R + 2) cells; its content starts at the returned inner origin, one cell in from the corner.
CellPos draw_frame(Console& console, const FrameSpec& frame);

// Inner columns of the marks, counted from the first inner column (the "?" and the "x").
inline int help_mark_offset(int inner_width) {
    return inner_width - 3;
}
inline int close_mark_offset(int inner_width) {
    return inner_width - 1;
}

}  // namespace posteri

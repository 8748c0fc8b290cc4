// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a terminal smaller than the console's screen shows of it. The screen keeps the size the
// program laid its windows out on, so a shrinking terminal never cuts what is drawn: the part of the
// screen that holds the drawing is shown whole, moved into the terminal where it fits, and where it
// does not, one line asks for a larger terminal instead.

#include <optional>
#include <string>

#include "platform/terminal/console_buffer.h"

namespace posteri {

struct Viewport {
    // Screen rows and columns left out above and left of the terminal's first cell.
    int row_offset = 0;
    int col_offset = 0;
    // Set when the drawing does not fit the terminal: the size it needs.
    std::optional<ScreenSize> needed;
    bool operator==(const Viewport&) const = default;
};

// The screen the program lays its windows out on for a terminal of the given size: never smaller
// than a classic 80 x 24 terminal, nor than the screen was before.
ScreenSize laid_out_size(ScreenSize terminal, ScreenSize before);

// Shows the screen from its top-left corner when the terminal holds it; otherwise moves the drawn
// area (the cells that show a character or a background other than black) only as far as it takes
// to bring it whole into the terminal.
Viewport fit_viewport(const ConsoleBuffer& screen, ScreenSize terminal);

// The line that asks for a terminal of at least `needed`, cut to the terminal's width (a line that
// wrapped would no longer be one line), and where it stands: centred on the terminal's middle row.
struct EnlargeRequest {
    CellPos at;
    std::u32string text;
};
EnlargeRequest enlarge_request(ScreenSize needed, ScreenSize terminal);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "platform/terminal/console.h"

namespace posteri {

// Everything about the console a box or dialog drawn over it may change — the cells it covers, the
// colour, the cursor and its visibility, mouse reporting — put back when it ends.
class SavedConsoleState {
  public:
    SavedConsoleState(Console& console, const CellRect& covered)
        : console_(console),
          covered_(covered),
          cells_(console.read_cells(covered)),
          cursor_(console.cursor()),
          colour_(console.colour()),
          cursor_visible_(console.cursor_visible()),
          mouse_(console.mouse_enabled()) {}
    ~SavedConsoleState() {
        put_back_cells();
        console_.set_colour(colour_);
        console_.set_cursor(cursor_.row, cursor_.col);
        console_.set_cursor_visible(cursor_visible_);
        console_.set_mouse(mouse_);
    }
    // Writes the covered cells back as they were, now (a box that moves clears its old place).
    void put_back_cells() { console_.write_cells(covered_, cells_); }

    SavedConsoleState(const SavedConsoleState&) = delete;
    SavedConsoleState& operator=(const SavedConsoleState&) = delete;

  private:
    Console& console_;
    CellRect covered_;
    std::vector<Cell> cells_;
    CellPos cursor_;
    Attribute colour_;
    bool cursor_visible_;
    bool mouse_;
};

}  // namespace posteri

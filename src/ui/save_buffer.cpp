// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/save_buffer.h"

#include <vector>

namespace posteri {

namespace {

struct SavedScreen {
    CellRect area{1, 1, 0, 0};
    std::vector<Cell> cells;
};

SavedScreen& saved_screen() {
    static SavedScreen saved;
    return saved;
}

}  // namespace

void save_screen(const Console& console) {
    const ScreenSize size = console.size();
    SavedScreen& saved = saved_screen();
    saved.area = CellRect{1, 1, size.rows, size.cols};
    saved.cells = console.read_cells(saved.area);
}

void restore_screen(Console& console) {
    const SavedScreen& saved = saved_screen();
    if (saved.cells.empty()) return;
    console.write_cells(saved.area, saved.cells);
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/picker_layout.h"

#include <algorithm>
#include <cstdio>

#include "format/number_text.h"
#include "format/text.h"
#include "ui/failure.h"
#include "ui/frame.h"
#include "ui/option_words.h"
#include "ui/picker_windows.h"
#include "ui/save_buffer.h"

namespace posteri {

namespace {

constexpr int kSubscriptOutOfRange = 9;

int upper_bound(const PickerItems& items) {
    return static_cast<int>(items.size()) - 1;
}

// Integer division rounding up, for positive divisors.
int divide_up(int value, int divisor) {
    return (value + divisor - 1) / divisor;
}

}  // namespace

PickerOptions read_picker_options(std::string_view options) {
    PickerOptions read;
    read.framed = has_option(options, "CORNICE");
    read.save_screen = has_option(options, "CLS");
    read.plain_top = has_option(options, "NIENTE");
    read.exit_at_once = has_option(options, "ESCI SUBITO");
    read.report_row = has_option(options, "HELP");
    read.record_card = has_option(options, "SCHEDA");
    read.pointer = wants_pointer(options);
    read.exit_keys = picker_exit_keys(options);
    return read;
}

int resolve_count(int n, const PickerItems& items, Fault& fault) {
    if (n < 1) return std::max(upper_bound(items), 0);
    if (n > upper_bound(items)) {
        raise_failure(fault, kSubscriptOutOfRange);
        return std::max(upper_bound(items), 0);
    }
    return n;
}

CellPos PickerGrid::cell_origin(int i) const {
    return CellPos{row + (i - 1) / columns, column + ((i - 1) % columns) * cell_width};
}

PickerGrid fit_grid(int n, int columns, int visible_rows, const PickerItems& items, ScreenSize screen,
                    bool framed) {
    PickerGrid grid;
    grid.count = n;
    grid.columns = std::clamp(columns, 1, n);
    // Rows beyond the screen would be drawn nowhere and leave the selection out of sight.
    const int screen_rows = std::max(screen.rows - (framed ? 2 : 0), 1);
    grid.visible_rows = std::clamp(visible_rows, 1, screen_rows);
    if (n / grid.columns < grid.visible_rows) grid.visible_rows = divide_up(n, grid.columns);
    const int widest = std::max(screen.cols - 2, 0);
    for (int k = 1; k <= n; ++k) {
        const int length = static_cast<int>(items[static_cast<std::size_t>(k)].size());
        if (length > grid.cell_width) grid.cell_width = std::min(length, widest);
    }
    if (grid.columns > 1) grid.cell_width += 2;
    return grid;
}

CellPos place_window(int row, int column, const PickerGrid& grid, bool framed, ScreenSize screen) {
    const int frame_flag = framed ? 1 : -1;
    CellPos corner{row, column};
    if (column == 0) corner.col = (screen.cols - grid.inner_width()) / 2;
    if (column == -1) corner.col = screen.cols - grid.inner_width() - frame_flag - 1;
    if (row <= 0) corner.row = std::max((screen.rows - grid.visible_rows) / 2, 1);
    return corner;
}

int normalised_selection(int selection, const PickerGrid& grid) {
    const int n = grid.count;
    const bool wraps = n == grid.visible_rows && grid.columns == 1;
    if (selection < 1 && wraps) selection = n;
    if (selection < 1) selection = grid.columns - ((-selection) % grid.columns);
    if (selection > n && wraps) selection = 1;
    if (selection > n) selection = selection - grid.columns + 1;
    if (selection > n) selection = n;
    return selection;
}

bool scroll_to(int selection, int& top, const PickerGrid& grid) {
    const int before = top;
    if (selection > grid.columns * (top + grid.visible_rows)) {
        top = (selection - 1) / grid.columns - grid.visible_rows + 1;
    }
    if (selection < grid.columns * top + 1) top = (selection - 1) / grid.columns;
    return top != before;
}

int moved_selection(std::string_view key, int selection, const PickerGrid& grid) {
    const int page = grid.columns * grid.visible_rows;
    if (key == keys::kUp) return selection - grid.columns;
    if (key == keys::kDown) return selection + grid.columns;
    if (key == keys::kLeft) return selection > 1 ? selection - 1 : selection;
    if (key == keys::kRight) return selection < grid.count ? selection + 1 : selection;
    if (key == keys::kPgUp) return selection - page;
    if (key == keys::kPgDn) return selection + page;
    if (key == keys::kHome) return 1;
    if (key == keys::kEnd) return grid.count;
    return selection;
}

PickerKey take_picker_key(Platform& platform, std::string& key, int& selection, const PickerGrid& grid) {
    if (key == "?") {
        HELP_ALO(platform);
        key.clear();
    }
    if (key == keys::kEnter) return PickerKey::Chosen;
    if (key == keys::kEsc) {
        selection = 0;
        restore_screen(platform.console);
        return PickerKey::Left;
    }
    if (key.size() == 2) {
        selection = moved_selection(key, selection, grid);
        return PickerKey::Moved;
    }
    return PickerKey::Search;
}

ScrollPosition scroll_position(int top, const PickerGrid& grid) {
    const int n = grid.count;
    if (n / grid.columns <= grid.visible_rows) return ScrollPosition::Fits;
    if (top > (n - grid.columns * grid.visible_rows - 1) / grid.columns) return ScrollPosition::LastPage;
    return top == 0 ? ScrollPosition::AtTop : ScrollPosition::Scrolled;
}

int pointed_item(CellPos pointer, int top, const PickerGrid& grid) {
    return pointer.row - grid.row + 1 + top;
}

FrameMark mark_at(CellPos pointer, const PickerGrid& grid) {
    if (pointer.col == grid.column + close_mark_offset(grid.inner_width())) return FrameMark::Close;
    if (pointer.col == grid.column + help_mark_offset(grid.inner_width())) return FrameMark::Help;
    return FrameMark::None;
}

bool item_contains(std::string_view item, std::string_view search) {
    return !item.empty() && to_upper(item).find(to_upper(search)) != std::string::npos;
}

void enter_picker(Console& console, const PickerOptions& options) {
    console.set_mouse(true);
    console.set_cursor_visible(false);
    if (options.save_screen) save_screen(console);
}

void leave_picker(Console& console, const PickerOptions& options) {
    if (options.save_screen) restore_screen(console);
    console.set_cursor_visible(true);
}

CellPos frame_window(Console& console, CellPos corner, const PickerGrid& grid, const PickerOptions& options,
                     Attribute colours, std::string_view title) {
    if (!options.framed) return corner;
    const FrameTop top = options.plain_top ? FrameTop::Plain : FrameTop::WithMarks;
    return draw_frame(console, FrameSpec{corner, grid.inner_width(), grid.visible_rows, colours, title, top});
}

std::string last_row_answer(const PickerGrid& grid) {
    return general_number(grid.row + grid.visible_rows - 1, 15);
}

std::string five_digit_number(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", number);
    return text;
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two list pickers share: the option words they honour, their set-up (count, grid, cell
// width, placement), the selection and scrolling rules, the movement keys, and the mouse row.

#include <string>
#include <string_view>
#include <vector>

#include "platform/fault.h"
#include "platform/platform.h"
#include "platform/terminal/console.h"

namespace posteri {

using PickerItems = std::vector<std::string>;

struct PickerOptions {
    bool framed = false;        // "CORNICE"
    bool save_screen = false;   // "CLS"
    bool plain_top = false;     // "NIENTE"
    bool exit_at_once = false;  // "ESCI SUBITO"
    bool report_row = false;    // "HELP"
    bool record_card = false;   // "SCHEDA"
    bool pointer = false;       // last character "<"
    std::string exit_keys;
};
PickerOptions read_picker_options(std::string_view options);

// The number of items a picker works with: n, or the items' upper bound when n is below 1; 0 means
// there is nothing to show. A count beyond the items' upper bound is a subscript out of range:
// reported, then taken down to the upper bound.
int resolve_count(int n, const PickerItems& items, Fault& fault);

// The grid on the screen. row and column are the first inner cell once the window is placed.
struct PickerGrid {
    int row = 1;
    int column = 1;
    int count = 0;  // n
    int columns = 1;
    int visible_rows = 1;
    int cell_width = 0;  // w
    int inner_width() const { return columns * cell_width; }
    // Screen position of visible cell i (from 1).
    CellPos cell_origin(int i) const;
};

// Columns lowered to n (and raised to 1), visible rows lowered to what the items need and to what
// the screen can hold, the cell width from the longest item.
PickerGrid fit_grid(int n, int columns, int visible_rows, const PickerItems& items, ScreenSize screen,
                    bool framed);
// The window's outer top-left corner: row 0 or less centres it vertically, column 0 centres it and
// column -1 puts it against the right edge. A centred window never starts above the first row.
CellPos place_window(int row, int column, const PickerGrid& grid, bool framed, ScreenSize screen);

// The selection brought into 1 .. n: wrapping round only in a one-column list that fits its
// window exactly, otherwise stopping at the ends.
int normalised_selection(int selection, const PickerGrid& grid);
// Scrolls `top` so that the selection is visible; returns whether it changed.
bool scroll_to(int selection, int& top, const PickerGrid& grid);
// The selection after a movement key (any other extended key leaves it unchanged).
int moved_selection(std::string_view key, int selection, const PickerGrid& grid);

// What a key does in either picker once its exit keys and the mouse are dealt with. "?" shows the help
// page and then counts as an empty search text (the key is emptied); Enter chooses; Esc drops the
// selection and writes the saved screen back; an extended key moves the selection; any other key is
// search text.
enum class PickerKey { Chosen, Left, Moved, Search };
PickerKey take_picker_key(Platform& platform, std::string& key, int& selection, const PickerGrid& grid);

// Where the list stands in its scrolling, for the scroll mark and the scroll light.
enum class ScrollPosition { Fits, AtTop, Scrolled, LastPage };
ScrollPosition scroll_position(int top, const PickerGrid& grid);

// The list row under the pointer: pointer row - first inner row + 1 + top (0 on the top border).
int pointed_item(CellPos pointer, int top, const PickerGrid& grid);
enum class FrameMark { None, Help, Close };
// The mark a press at pointed item 0 hits.
FrameMark mark_at(CellPos pointer, const PickerGrid& grid);

// Whether the upper-cased item contains the upper-cased search text; an empty search text is
// contained in every non-empty item.
bool item_contains(std::string_view item, std::string_view search);

// Entering a picker: mouse input on, text cursor hidden, the screen saved with "CLS".
void enter_picker(Console& console, const PickerOptions& options);
// Leaving it on every path: the screen written back with "CLS", the text cursor shown again.
void leave_picker(Console& console, const PickerOptions& options);
// The frame of the picker's window when it has one (in the window colours, with element 0 of the items
// as title); returns the first inner cell.
CellPos frame_window(Console& console, CellPos corner, const PickerGrid& grid, const PickerOptions& options,
                     Attribute colours, std::string_view title);

// The "HELP" answer: the last inner row as number text with its sign position, " 14".
std::string last_row_answer(const PickerGrid& grid);
// The selection number over the top border, five digits with leading zeros.
std::string five_digit_number(int number);

}  // namespace posteri

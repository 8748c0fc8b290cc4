// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The list picker: a list of items, each in its own colours, in a window of the console screen. The
// user moves a highlighted selection with the keys or the mouse, finds an item by typing part of it
// (the typed text shows in the console title), and chooses with Enter or a double click, or leaves
// with Esc, the close mark or one of the caller's exit keys.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace posteri {

// Every argument is read and may be written back:
// - row, column: the window's outer top-left cell (row 0 or less and column 0 centre it, column -1
//   puts it against the right edge); out: the first inner cell.
// - background, foreground: element 0 the window's colours, element k item k's; items whose two
//   colours are both 0 take the window's.
// - columns: items per screen row, lowered to the count.
// - items: element 0 the title, 1 .. count the items.
// - count: below 1 takes the items' upper bound; an empty list returns at once.
// - selection: the item highlighted first; out: the chosen item, 0 after Esc or the close mark.
// - visible_rows: the most rows the list may take, lowered to what the items need.
// - options: option words in; out: the key that ended the picker when that was Esc, the close mark
//   (character 27) or an exit key, the last inner row for "HELP", otherwise unchanged.
void ALONENEW(Platform& platform, std::int32_t& row, std::int32_t& column,
              std::vector<std::int32_t>& background, std::vector<std::int32_t>& foreground,
              std::int32_t& columns, std::vector<std::string>& items, std::int32_t& count,
              std::int32_t& selection, std::int32_t& visible_rows, std::string& options);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sorting list picker: the list picker's layout, keys and mouse in one colour pair, where typed
// text re-sorts the caller's items so that those holding it come first, painted light red. It can
// draw a pointer "<" beside the selected row and a coloured scroll light, and it tells the caller
// where on the screen the chosen item stands.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace posteri {

// The arguments of the list picker (ALONENEW), with these differences:
// - row, column: out: the chosen item's screen row and the column just right of its field (with
//   one column: just right of the right border), where the pointer stands;
// - background, foreground: one colour pair for the whole window;
// - items: out: possibly re-ordered by the search;
// - selection: 0 as well when the list is empty; a click on the close mark returns 0 and leaves
//   the option string unchanged.
// Mouse input stays on when it returns.
void ALONENEW_ORDINA(Platform& platform, std::int32_t& row, std::int32_t& column, std::int32_t& background,
                     std::int32_t& foreground, std::int32_t& columns, std::vector<std::string>& items,
                     std::int32_t& count, std::int32_t& selection, std::int32_t& visible_rows,
                     std::string& options);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The font preview: a picker in a graphic window where every entry is drawn in the face its own text
// names (the part before its first comma), chosen with the keys or a click.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace posteri {

// margin_x: the margin in, the window's x out; mode_y: the position mode in (0 centred, 1 and 2 right
// of the work area, 10 below it, other values: margin_x and mode_y are the position), the window's y
// out. entries: 1 .. count; count below 1 takes the list's upper index, and an empty list returns at
// once. selection: the entry highlighted first; out: the chosen entry, 0 when the user gave up.
// rows: the most rows shown, lowered to what fits. points: the size every entry is measured at (the
// rows are drawn at 24 points).
void GRAPHIC_(Platform& platform, std::int32_t& margin_x, std::int32_t& mode_y, std::vector<std::string>& entries,
              std::int32_t& count, std::int32_t& selection, std::int32_t& rows, std::int32_t points);

}  // namespace posteri

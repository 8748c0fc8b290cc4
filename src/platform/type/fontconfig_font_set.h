// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installed fonts as the font configuration holds them in this run.

#include <string>

namespace posteri {

// Reloads the font configuration when fonts were added or removed since it was loaded (and gives
// this thread a new pango font map); the program's own font aliases are part of every configuration.
void bring_fonts_up_to_date();

// A key of the current font set: every font's file, index, names, style and version, hashed. Any
// change of the installed fonts gives another key.
std::string font_set_key();

}  // namespace posteri

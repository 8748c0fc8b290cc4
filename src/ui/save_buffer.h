// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one process-wide copy of the console screen (characters and colours). Saving replaces what it
// held before: there is no stack of saved screens.

#include "platform/terminal/console.h"

namespace posteri {

void save_screen(const Console& console);
// Writes the saved cells back where they were; nothing happens before the first save. Cells that no
// longer fit a screen made smaller since are left out.
void restore_screen(Console& console);

}  // namespace posteri

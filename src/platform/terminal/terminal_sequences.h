// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers shared by the terminal console's input side and its painting side.

#include <optional>
#include <string>
#include <string_view>

#include "platform/terminal/terminal_colours.h"

namespace posteri {

// Writes all bytes to stdout, past the curses buffer.
void write_to_terminal(std::string_view bytes);
// A terminfo string capability, empty when the terminal has none.
std::string terminal_capability(const char* name);
// The Linux console shows neither titles nor cursor shapes, and prints such sequences as text.
bool is_linux_console();
// Starts colours on the curses screen and sets up every pair a console attribute needs; nothing
// when the terminal has fewer than 8 colours.
std::optional<ColourDepth> start_terminal_colours();

}  // namespace posteri

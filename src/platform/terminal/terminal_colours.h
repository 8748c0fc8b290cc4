// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a terminal shows the console's 16 colours. A terminal with 16 colours shows them as they are;
// one with 8 shows colours 8-15 as foreground by their base colour made bold (which such terminals
// show bright), and as background by their base colour, made to blink where blinking shows a bright
// background (the Linux console). Pure, so that every attribute can be checked without a terminal.

#include "platform/terminal/console.h"

namespace posteri {

enum class ColourDepth {
    Eight,                // bright backgrounds cannot be shown
    EightBrightByBlink,   // the Linux console: blink shows a bright background
    Sixteen,
};

struct TerminalColours {
    // Colour pair, numbered so that white on black is pair 0, the one pair curses cannot set;
    // below 64 with 8 colours, below 256 with 16.
    short pair = 0;
    // Terminal colour numbers (curses order: bit 0 red, bit 2 blue).
    short foreground = 0;
    short background = 0;
    bool bold = false;
    bool blink = false;
};

TerminalColours terminal_colours(Attribute attr, ColourDepth depth);

}  // namespace posteri

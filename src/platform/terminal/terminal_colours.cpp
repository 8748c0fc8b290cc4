// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/terminal_colours.h"

namespace posteri {

namespace {

constexpr int kBright = 8;
constexpr short kCursesBlack = 0;
constexpr short kCursesWhite = 7;

// Console colours have blue in bit 0 and red in bit 2, curses colours the other way round.
short curses_colour(int console_colour) {
    return short((console_colour & 0b1010) | ((console_colour & 1) << 2) | ((console_colour & 4) >> 2));
}

// Green, yellow, cyan and white take dark text; the others light text.
bool is_light(short curses_base) {
    return curses_base == 2 || curses_base == 3 || curses_base == 6 || curses_base == kCursesWhite;
}

short pair_number(short foreground, short background, int colours) {
    return short((foreground ^ kCursesWhite) * colours + background);
}

}  // namespace

TerminalColours terminal_colours(Attribute attr, ColourDepth depth) {
    const int fg = attr & 15;
    const int bg = attr >> 4;
    if (depth == ColourDepth::Sixteen) {
        const short f = curses_colour(fg);
        const short b = curses_colour(bg);
        return {pair_number(f, b, 16), f, b, false, false};
    }
    TerminalColours shown;
    shown.foreground = curses_colour(fg % kBright);
    shown.background = curses_colour(bg % kBright);
    shown.blink = depth == ColourDepth::EightBrightByBlink && bg >= kBright;
    // A blank cell (same colour on itself) stays blank: bold would brighten its foreground alone.
    shown.bold = fg >= kBright && (fg != bg || shown.blink);
    // A dark text on its own bright background, which cannot be shown bright: the base colours
    // would be equal and the text invisible, so it takes the contrasting text colour.
    if (fg != bg && !shown.bold && !shown.blink && shown.foreground == shown.background) {
        const bool light = is_light(shown.background);
        shown.foreground = light ? kCursesBlack : kCursesWhite;
        shown.bold = !light;
    }
    shown.pair = pair_number(shown.foreground, shown.background, kBright);
    return shown;
}

}  // namespace posteri

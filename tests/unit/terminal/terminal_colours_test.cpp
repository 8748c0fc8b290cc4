// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/terminal_colours.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace posteri {
namespace {

// The colours a cell shows (0-15, curses order), with bold and blink brightening.
std::pair<int, int> shown(const TerminalColours& colours) {
    return {colours.foreground + (colours.bold ? 8 : 0), colours.background + (colours.blink ? 8 : 0)};
}

TEST(TerminalColours, EveryAttributeStaysReadableBlankAndDistinctFromItsHighlight) {
    for (const ColourDepth depth : {ColourDepth::Eight, ColourDepth::EightBrightByBlink, ColourDepth::Sixteen}) {
        const int colours = depth == ColourDepth::Sixteen ? 16 : 8;
        std::map<short, std::pair<short, short>> colours_of_pair;
        for (int attr = 0; attr < 256; ++attr) {
            const int fg = attr & 15;
            const int bg = attr >> 4;
            const TerminalColours cell = terminal_colours(Attribute(attr), depth);
            const TerminalColours highlight = terminal_colours(Attribute(bg + 16 * fg), depth);
            SCOPED_TRACE(testing::Message() << "depth " << int(depth) << ", " << fg << " on " << bg);
            const auto [cell_fg, cell_bg] = shown(cell);
            EXPECT_EQ(cell_fg == cell_bg, fg == bg);  // blanks stay blank, text stays visible
            if (fg != bg) {
                EXPECT_NE(shown(cell), shown(highlight));
            }
            EXPECT_LT(cell.pair, colours * colours);
            EXPECT_LT(cell.foreground, colours);
            EXPECT_LT(cell.background, colours);
            const auto [it, added] = colours_of_pair.emplace(cell.pair, std::pair{cell.foreground, cell.background});
            EXPECT_EQ(it->second, (std::pair{cell.foreground, cell.background})) << "pair " << cell.pair;
            // Where the terminal can show all 16, it shows exactly the console colour.
            if (depth != ColourDepth::Eight) {
                EXPECT_EQ(shown(cell), shown(terminal_colours(Attribute(attr), ColourDepth::Sixteen)));
            }
        }
        EXPECT_EQ(colours_of_pair.at(0), (std::pair<short, short>{7, 0}));  // white on black
    }
}

}  // namespace
}  // namespace posteri

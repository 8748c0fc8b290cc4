// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/viewport.h"

#include <gtest/gtest.h>

#include <optional>

namespace posteri {
namespace {

constexpr ScreenSize kScreen{100, 30};
constexpr Attribute kOnBlue = 0x1F;

// A 100 x 30 screen whose drawing spans `area`: a character at its top-left corner and a blank
// on a coloured background at its bottom-right one.
ConsoleBuffer screen_drawn_over(std::optional<CellRect> area) {
    ConsoleBuffer screen(kScreen);
    if (!area) return screen;
    screen.write_cells({area->top, area->left, area->top, area->left}, {Cell{U'x', 7}});
    screen.write_cells({area->bottom, area->right, area->bottom, area->right}, {Cell{U' ', kOnBlue}});
    return screen;
}

TEST(Viewport, MovesTheDrawingJustIntoTheTerminalOrAsksForTheSizeItNeeds) {
    const CellRect list{2, 18, 21, 83};  // 66 x 20
    struct Case {
        std::optional<CellRect> drawn;
        ScreenSize terminal;
        Viewport expected;
    };
    const Case cases[] = {
        {list, kScreen, {}},                           // the whole screen shows
        {list, {70, 20}, {1, 13, std::nullopt}},       // moved up and left
        {list, {66, 20}, {1, 17, std::nullopt}},       // exactly its size
        {list, {65, 20}, {0, 0, ScreenSize{66, 20}}},  // one column short
        {list, {66, 19}, {0, 0, ScreenSize{66, 20}}},  // one row short
        {list, {90, 30}, {0, 0, std::nullopt}},        // narrower, yet the drawing fits where it is
        {CellRect{1, 1, 5, 20}, {20, 5}, {}},          // drawn at the top left
        {CellRect{26, 81, 30, 100}, {20, 5}, {25, 80, std::nullopt}},  // at the bottom right
        {std::nullopt, {10, 3}, {}},                                   // nothing drawn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.terminal.cols << " x " << c.terminal.rows);
        EXPECT_EQ(fit_viewport(screen_drawn_over(c.drawn), c.terminal), c.expected);
    }
}

TEST(Viewport, TheScreenNeverShrinksNorGoesBelowEightyByTwentyFour) {
    EXPECT_EQ(laid_out_size({20, 5}, {}), (ScreenSize{80, 24}));
    EXPECT_EQ(laid_out_size({90, 20}, {100, 30}), (ScreenSize{100, 30}));
    EXPECT_EQ(laid_out_size({120, 40}, {100, 30}), (ScreenSize{120, 40}));
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/console_box_windows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/memory_console.h"

namespace posteri {
namespace {

class ConsoleBoxes : public ::testing::Test {
  protected:
    MemoryConsole console{{40, 12}};
    ConsoleBoxWindows boxes{console};

    // Row r of the screen is filled with the letter 'a' + r - 1.
    void SetUp() override {
        std::vector<Cell> cells;
        for (int row = 1; row <= 12; ++row) cells.insert(cells.end(), 40, Cell{char32_t(U'a' + row - 1), 7});
        console.write_cells({1, 1, 12, 40}, cells);
    }

    std::u32string text_at(int row, int col, int count) const {
        std::u32string text;
        for (int i = 0; i < count; ++i) text += console.char_at(row, col + i);
        return text;
    }
};

TEST_F(ConsoleBoxes, ABoxIsFramedShowsItsTextsAndPutsBackWhatItCovered) {
    const std::string before = console.screen_text();
    // 80 x 32 pixels at (16, 48): a picture of 10 x 2 cells, framed from row 3, column 2.
    const WindowHandle box = boxes.open({{16, 48, 80, 32}, "Aiuto", false});
    boxes.clear(box, 0xFFC8C8);
    boxes.draw_text(box, {8, 16}, FontSpec{"lucida console", 10, 0}, "Perch\xE8!", 0x000000, std::nullopt);
    EXPECT_EQ(console.screen_text(), before) << "nothing shows before present()";
    boxes.present(box);
    EXPECT_EQ(text_at(3, 1, 14), U"c┌Aiuto─────┐c");
    EXPECT_EQ(text_at(4, 1, 14), U"d│          │d");
    EXPECT_EQ(text_at(5, 1, 14), U"e│ Perchè!  │e");
    EXPECT_EQ(text_at(6, 1, 14), U"f└──────────┘f");
    EXPECT_EQ(console.attr_at(5, 4), 0x70) << "black text on the light grey nearest to pink";
    boxes.close(box);
    EXPECT_EQ(console.screen_text(), before);
    boxes.close(box);
    EXPECT_EQ(console.screen_text(), before) << "a second close changes nothing";
}

TEST_F(ConsoleBoxes, BoxesStayOnTheScreenAndALingeringOneStandsAtTheRightEdge) {
    EXPECT_EQ(boxes.desktop(), (PixelArea{0, 0, 320, 192}));
    const WindowHandle card = boxes.open({{0, 0, 5 * 8, 2 * 16}, "", true});
    boxes.present(card);
    EXPECT_EQ(text_at(5, 33, 8), U"e┌─────┐");
    EXPECT_EQ(text_at(8, 33, 8), U"h└─────┘");
    // Far outside and larger than the screen: the whole screen, frame included, the picture cut.
    const WindowHandle big = boxes.open({{5000, 5000, 1000, 1000}, "", false});
    EXPECT_EQ(boxes.client_area(big), (PixelArea{0, 0, 1000, 1008}));
    boxes.present(big);
    EXPECT_EQ(console.char_at(1, 1), U'┌');
    EXPECT_EQ(console.char_at(12, 40), U'┘');
}

TEST_F(ConsoleBoxes, TextsAreMeasuredInCellsAndCutAtTheBoxEdge) {
    const FontSpec font{"arial", 32, font_style::kBold};
    EXPECT_EQ(boxes.measure_text(font, "abc"), (TextExtent{24, 16}));
    EXPECT_EQ(boxes.character_size(font), (TextExtent{8, 16}));
    const WindowHandle box = boxes.open({{8, 16, 32, 16}, "", false});
    boxes.clear(box, 0x000000);
    boxes.draw_text(box, {16, 0}, font, "verde", 0x00FF00, 0x0000FF);
    boxes.present(box);
    EXPECT_EQ(text_at(2, 1, 7), U"│  ve│b");
    EXPECT_EQ(console.attr_at(2, 4), 10 + 16 * 9);
}

TEST_F(ConsoleBoxes, BoxesAreOutlinedAndFilledCellByCell) {
    const WindowHandle box = boxes.open({{8, 16, 64, 64}, "", false});
    boxes.clear(box, 0xFFFFFF);
    boxes.draw_box(box, {8, 16, 24, 48}, 0x000000, std::nullopt);
    boxes.draw_box(box, {0, 0, 8, 16}, std::nullopt, 0x000000);
    boxes.present(box);
    EXPECT_EQ(text_at(3, 2, 6), U" ┌─┐  ");
    EXPECT_EQ(text_at(4, 2, 6), U" │ │  ");
    EXPECT_EQ(text_at(5, 2, 6), U" └─┘  ");
    EXPECT_EQ(console.attr_at(2, 2), 0) << "filled black";
    EXPECT_EQ(console.attr_at(4, 3), 0 + 16 * 15) << "black outline on white";
}

TEST_F(ConsoleBoxes, KeysComeFromTheConsoleAndClicksInsideABoxBecomeItsClicks) {
    const WindowHandle box = boxes.open({{16, 32, 80, 48}, "", false});
    EXPECT_TRUE(console.mouse_on()) << "clicks are reported while a box is open";
    console.push_mouse(keys::kMousePress, 1, 1);
    console.push_mouse(keys::kMouseDoubleClick, 5, 6);
    console.push_key("x");
    EXPECT_EQ(boxes.poll_key(box), "x");
    EXPECT_EQ(boxes.poll_click(box), (MouseClick{2, 4 * 8 - 1, 3 * 16 - 1})) << "the cell's last pixel";
    EXPECT_EQ(boxes.poll_click(box), std::nullopt);
    EXPECT_EQ(boxes.poll_key(box), "");
    boxes.close(box);
    EXPECT_FALSE(console.mouse_on());
}

TEST(ConsoleColours, NearestOfTheSixteen) {
    EXPECT_EQ(nearest_console_colour(0xB0E0E6), 7);
    EXPECT_EQ(nearest_console_colour(0x4169E1), 8);
    EXPECT_EQ(nearest_console_colour(0x1E3CF0), 9);
    EXPECT_EQ(nearest_console_colour(0x000000), 0);
    EXPECT_EQ(nearest_console_colour(0xFFFF00), 14);
    EXPECT_EQ(nearest_console_colour(0x7F7F7F), 8);
    EXPECT_EQ(nearest_console_colour(0xFFFFFF), 15);
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal/console_buffer.h"

#include <gtest/gtest.h>

#include "support/memory_console.h"

namespace posteri {
namespace {

// The characters of one row as UTF-8.
std::string row_of(const ConsoleBuffer& buffer, int row) {
    std::string text;
    for (int col = 1; col <= buffer.size().cols; ++col) {
        const char32_t ch = buffer.at(row, col).ch;
        text += ch < 0x80 ? std::string(1, char(ch)) : "#";
    }
    return text;
}

TEST(ConsoleBufferWrite, AdvancesTheCursorAndUsesTheCurrentColour) {
    ConsoleBuffer buffer({10, 3});
    buffer.set_colour(0x1E);
    buffer.write("abc", Charset::Text);
    EXPECT_EQ(row_of(buffer, 1), "abc       ");
    EXPECT_EQ(buffer.at(1, 3), (Cell{U'c', 0x1E}));
    EXPECT_EQ(buffer.at(1, 4).attr, 7);
    EXPECT_EQ(buffer.cursor(), (CellPos{1, 4}));
}

TEST(ConsoleBufferWrite, WrapsAtTheRightEdge) {
    ConsoleBuffer buffer({4, 3});
    buffer.write("abcdef", Charset::Text);
    EXPECT_EQ(row_of(buffer, 1), "abcd");
    EXPECT_EQ(row_of(buffer, 2), "ef  ");
    EXPECT_EQ(buffer.cursor(), (CellPos{2, 3}));
}

TEST(ConsoleBufferWrite, ALineAsWideAsTheScreenEndsAtColumnOneOfTheNextRow) {
    ConsoleBuffer buffer({4, 3});
    buffer.write("abcd", Charset::Text);
    EXPECT_EQ(buffer.cursor(), (CellPos{2, 1}));
    buffer.write("x", Charset::Text);
    EXPECT_EQ(row_of(buffer, 2), "x   ");
}

TEST(ConsoleBufferWrite, TheLastCellOfTheLastRowScrollsAtOnce) {
    ConsoleBuffer buffer({3, 2});
    buffer.set_cursor(2, 1);
    buffer.write("xyz", Charset::Text);
    EXPECT_EQ(row_of(buffer, 1), "xyz");
    EXPECT_EQ(row_of(buffer, 2), "   ");
    EXPECT_EQ(buffer.cursor(), (CellPos{2, 1}));
}

TEST(ConsoleBufferWrite, ScrollingBlanksTheNewRowInTheCurrentColour) {
    ConsoleBuffer buffer({3, 2});
    buffer.write("ab\r\ncd", Charset::Text);
    buffer.set_colour(0x40);
    buffer.new_line();
    EXPECT_EQ(row_of(buffer, 1), "cd ");
    EXPECT_EQ(buffer.at(2, 1), (Cell{U' ', 0x40}));
    EXPECT_EQ(buffer.cursor(), (CellPos{2, 1}));
}

// CR goes to column 1 of the same row; LF, alone or after CR, to column 1 of the next row.
TEST(ConsoleBufferWrite, CarriageReturnAndLineFeed) {
    struct Case {
        std::string text;
        std::vector<std::string> rows;
        CellPos cursor;
    };
    const std::vector<Case> cases{
        {"abc\ndef", {"abc     ", "def     "}, {2, 4}},
        {"abc\r\ndef", {"abc     ", "def     "}, {2, 4}},
        {"abc\n\nde", {"abc     ", "        ", "de      "}, {3, 3}},
        {"abcdef\rX", {"Xbcdef  ", "        "}, {1, 2}},
    };
    for (const auto& [text, rows, cursor] : cases) {
        ConsoleBuffer buffer({8, 3});
        buffer.write(text, Charset::Text);
        for (std::size_t row = 0; row < rows.size(); ++row)
            EXPECT_EQ(row_of(buffer, int(row) + 1), rows[row]) << text;
        EXPECT_EQ(buffer.cursor(), cursor) << text;
    }
}

TEST(ConsoleBufferWrite, TextIsWindows1252AndGlyphsAreCodePage437) {
    ConsoleBuffer buffer({4, 2});
    buffer.write("\xC8\xE8\x80", Charset::Text);
    buffer.write("\xC4\xDA", Charset::Glyphs);
    EXPECT_EQ(buffer.at(1, 1).ch, U'È');
    EXPECT_EQ(buffer.at(1, 2).ch, U'è');
    EXPECT_EQ(buffer.at(1, 3).ch, U'€');
    EXPECT_EQ(buffer.at(1, 4).ch, U'─');
    EXPECT_EQ(buffer.at(2, 1).ch, U'┌');
}

TEST(ConsoleBufferWrite, NoCellEverHoldsAControlCharacter) {
    ConsoleBuffer buffer({8, 2});
    buffer.write("\x01\x7F\x81\x9D", Charset::Text);
    EXPECT_EQ(buffer.at(1, 1).ch, U'☺');
    EXPECT_EQ(buffer.at(1, 2).ch, U'⌂');
    EXPECT_EQ(buffer.at(1, 3).ch, U'?');
    EXPECT_EQ(buffer.at(1, 4).ch, U'?');
}

TEST(ConsoleBufferWrite, TabBackspaceAndBellMoveTheCursorOnly) {
    ConsoleBuffer buffer({12, 2});
    buffer.write("ab\tc\b\bX\a", Charset::Text);
    EXPECT_EQ(row_of(buffer, 1), "ab     Xc   ");
    EXPECT_EQ(buffer.cursor(), (CellPos{1, 9}));
}

TEST(ConsoleBufferClear, BlanksInTheCurrentColourAndHomesTheCursor) {
    ConsoleBuffer buffer({3, 2});
    buffer.write("abcd", Charset::Text);
    buffer.set_colour(0x2F);
    buffer.clear();
    EXPECT_EQ(buffer.read_cells({1, 1, 2, 3}), std::vector<Cell>(6, Cell{U' ', 0x2F}));
    EXPECT_EQ(buffer.cursor(), (CellPos{1, 1}));
}

TEST(ConsoleBufferCursor, AnOutOfRangeCoordinateKeepsItsOldValue) {
    ConsoleBuffer buffer({10, 5});
    buffer.set_cursor(3, 4);
    buffer.set_cursor(0, 7);
    EXPECT_EQ(buffer.cursor(), (CellPos{3, 7}));
    buffer.set_cursor(5, 11);
    EXPECT_EQ(buffer.cursor(), (CellPos{5, 7}));
    buffer.set_cursor(6, -1);
    EXPECT_EQ(buffer.cursor(), (CellPos{5, 7}));
}

TEST(ConsoleBufferCells, ReadAndWriteRoundTripKeepingGlyphsAndLettersApart) {
    ConsoleBuffer buffer({5, 3});
    buffer.write("\xC4", Charset::Glyphs);  // ─
    buffer.write("\xC4", Charset::Text);    // Ä
    const auto saved = buffer.read_cells({1, 1, 3, 5});
    buffer.clear();
    buffer.write_cells({1, 1, 3, 5}, saved);
    EXPECT_EQ(buffer.at(1, 1).ch, U'─');
    EXPECT_EQ(buffer.at(1, 2).ch, U'Ä');
    EXPECT_EQ(buffer.read_cells({1, 1, 3, 5}), saved);
}

TEST(ConsoleBufferCells, ReadingOutsideTheScreenGivesBlanksInPlace) {
    ConsoleBuffer buffer({4, 2});
    buffer.set_colour(0x1F);
    buffer.write("abcdefg", Charset::Text);
    const auto cells = buffer.read_cells({2, 2, 3, 5});
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0], (Cell{U'f', 0x1F}));
    EXPECT_EQ(cells[1], (Cell{U'g', 0x1F}));
    for (std::size_t i = 3; i < cells.size(); ++i) EXPECT_EQ(cells[i], Cell{}) << i;
    EXPECT_TRUE(buffer.read_cells({2, 3, 1, 3}).empty());
}

TEST(ConsoleBufferCells, WritingIsClippedToTheScreen) {
    ConsoleBuffer buffer({3, 2});
    const std::vector<Cell> cells{{U'1', 1}, {U'2', 2}, {U'3', 3}, {U'4', 4}};
    buffer.write_cells({0, 2, 1, 3}, cells);
    EXPECT_EQ(buffer.at(1, 2), (Cell{U'3', 3}));
    EXPECT_EQ(buffer.at(1, 3), (Cell{U'4', 4}));
    buffer.write_cells({2, 3, 3, 4}, cells);
    EXPECT_EQ(buffer.at(2, 3), (Cell{U'1', 1}));
    EXPECT_EQ(row_of(buffer, 2), "  1");
}

TEST(ConsoleBufferCells, ASavedScreenWrittenBackAfterShrinkingStaysInBounds) {
    ConsoleBuffer buffer({6, 4});
    buffer.write("abcdefghijklmnopqrstuvw", Charset::Text);
    const auto saved = buffer.read_cells({1, 1, 4, 6});
    buffer.resize({4, 2});
    buffer.clear();
    buffer.write_cells({1, 1, 4, 6}, saved);
    EXPECT_EQ(row_of(buffer, 1), "abcd");
    EXPECT_EQ(row_of(buffer, 2), "ghij");
}

TEST(ConsoleBufferResize, KeepsHiddenCellsForGrowingBackAndClampsTheCursor) {
    ConsoleBuffer buffer({4, 3});
    buffer.write("abcdefgh", Charset::Text);
    buffer.set_cursor(3, 4);
    buffer.resize({2, 2});
    EXPECT_EQ(row_of(buffer, 1), "ab");
    EXPECT_EQ(row_of(buffer, 2), "ef");
    EXPECT_EQ(buffer.cursor(), (CellPos{2, 2}));
    buffer.write("XY", Charset::Text);  // wraps and scrolls the shown part only
    buffer.resize({5, 3});
    EXPECT_EQ(row_of(buffer, 1), "eXcd ");
    EXPECT_EQ(row_of(buffer, 2), "Y gh ");
    EXPECT_EQ(row_of(buffer, 3), "     ");
    EXPECT_THROW(buffer.at(4, 1), std::out_of_range);
    buffer.resize({1, 1});
    buffer.clear();
    buffer.resize({5, 3});
    EXPECT_EQ(row_of(buffer, 1), "     ");
}

TEST(ConsoleBufferChanges, OnlyTouchedCellsCountAsChanged) {
    ConsoleBuffer buffer({4, 3});
    buffer.mark_shown();
    buffer.set_cursor(2, 2);
    buffer.write("x", Charset::Text);
    EXPECT_TRUE(buffer.cell_changed(2, 2));
    EXPECT_FALSE(buffer.cell_changed(2, 3));
    EXPECT_TRUE(buffer.row_changed(2));
    EXPECT_FALSE(buffer.row_changed(1));
    buffer.mark_shown();
    buffer.set_cursor(2, 2);
    buffer.write("x", Charset::Text);  // same character, same colour
    EXPECT_FALSE(buffer.row_changed(2));
}

TEST(ConsoleBufferChanges, ScrollingAndTitleAndCursorLookAreChanges) {
    ConsoleBuffer buffer({2, 2});
    buffer.mark_shown();
    buffer.set_title("riga");
    buffer.set_cursor_visible(false);
    EXPECT_TRUE(buffer.title_changed());
    EXPECT_TRUE(buffer.cursor_look_changed());
    buffer.set_cursor(2, 1);
    buffer.write("ab", Charset::Text);
    EXPECT_TRUE(buffer.row_changed(1));
    EXPECT_TRUE(buffer.cell_changed(1, 2));
    buffer.mark_shown();
    buffer.set_title("riga");
    EXPECT_FALSE(buffer.title_changed());
}

TEST(MemoryConsoleScript, KeysComeInOrderAndAnEmptyScriptThrows) {
    MemoryConsole console;
    console.push_keys({keys::kDown, keys::kEnter});
    console.push_text("ab");
    EXPECT_TRUE(console.key_waiting());
    EXPECT_EQ(console.read_key(), keys::kDown);
    EXPECT_EQ(console.read_key(), keys::kEnter);
    EXPECT_EQ(console.read_key(), "a");
    EXPECT_EQ(console.read_key(), "b");
    EXPECT_FALSE(console.key_waiting());
    EXPECT_THROW(console.read_key(), ScriptExhausted);
}

TEST(MemoryConsoleScript, MouseEventsArriveOnlyWhileReportingIsOn) {
    MemoryConsole console;
    console.push_mouse(keys::kMousePress, 3, 9);
    console.push_key("x");
    console.push_mouse(keys::kMouseDoubleClick, 4, 2);
    EXPECT_EQ(console.read_key(), "x");
    console.set_mouse(true);
    EXPECT_EQ(console.read_key(), keys::kMouseDoubleClick);
    EXPECT_EQ(console.mouse_position(), (CellPos{4, 2}));
}

TEST(MemoryConsoleScreen, RowTextIsUtf8) {
    MemoryConsole console({4, 2});
    console.write("\xC8", Charset::Text);
    console.write("\xDA", Charset::Glyphs);
    EXPECT_EQ(console.row_text(1), "È┌  ");
    EXPECT_EQ(console.screen_text(), "È┌  \n    \n");
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/list_picker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "format/codepage.h"
#include "support/fake_platform.h"
#include "ui/console_text.h"

namespace posteri {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

// "Titolo" and the items "voce 01" .. "voce nn".
std::vector<std::string> numbered_items(int n) {
    std::vector<std::string> items{"Titolo"};
    for (int k = 1; k <= n; ++k) items.push_back((k < 10 ? "voce 0" : "voce ") + std::to_string(k));
    return items;
}

class ListPickerTest : public ::testing::Test {
  protected:
    void pick() {
        ALONENEW(fake.platform(), row, column, background, foreground, columns, items, count, selection,
                 visible_rows, options);
    }
    // What the user sees at each key read: the first list row, the scroll mark and the number.
    struct Seen {
        std::string first_row;
        char32_t mark;
        std::string number;
    };
    std::string cells(int at_row, int at_col, int length) const {
        std::string text;
        for (int col = at_col; col < at_col + length; ++col)
            text += utf8_encode(fake.console.char_at(at_row, col));
        return text;
    }
    void watch(int inner_row, int inner_col, int inner_width) {
        fake.console.before_read = [=, this] {
            seen.push_back({cells(inner_row, inner_col, 7),
                            fake.console.char_at(inner_row, inner_col + inner_width),
                            cells(inner_row - 1, inner_col, 5)});
        };
    }

    FakePlatform fake;
    MemoryConsole& console = fake.console;
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::vector<std::int32_t> background{kWhite};
    std::vector<std::int32_t> foreground{kBlue};
    std::int32_t columns = 1;
    std::vector<std::string> items = numbered_items(5);
    std::int32_t count = 0;
    std::int32_t selection = 1;
    std::int32_t visible_rows = 30;
    std::string options = "CORNICE ";
    std::vector<Seen> seen;
};

TEST_F(ListPickerTest, AListThatFitsItsWindowWrapsRound) {
    console.push_keys({keys::kUp, keys::kEnter});
    pick();
    EXPECT_EQ(selection, 5);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(visible_rows, 5);
    EXPECT_EQ(row, (25 - 5) / 2 + 1);
    EXPECT_EQ(column, (80 - 7) / 2 + 1);
    EXPECT_EQ(console.char_at(row + 5, column - 1), U'└');

    console.push_keys({keys::kDown, keys::kEnter});
    row = column = 0;
    pick();
    EXPECT_EQ(selection, 1);
}

// Down to the end and back up to the top: the list scrolls by a page and by one row both ways.
TEST_F(ListPickerTest, ALongerListStopsAtItsEndsAndScrollsWithMarks) {
    items = numbered_items(12);
    visible_rows = 10;
    row = 2;
    column = 5;
    watch(3, 6, 7);
    console.push_keys({keys::kUp, keys::kPgDn, keys::kEnd, keys::kPgUp, keys::kUp, keys::kUp, keys::kPgDn,
                       keys::kDown, keys::kDown, keys::kEnter});
    pick();
    EXPECT_EQ(selection, 12);
    std::vector<std::string> shown;
    for (const Seen& at : seen) shown.push_back(at.first_row + " " + utf8_encode(at.mark) + " " + at.number);
    // At the start, Up at the top, PgDn, End, PgUp, Up, Up at the top, PgDn, Down, Down at the end.
    EXPECT_EQ(shown, (std::vector<std::string>{"voce 01 ↓ 00001", "voce 01 ↓ 00001", "voce 02 ↨ 00011",
                                               "voce 03 ↑ 00012", "voce 02 ↨ 00002", "voce 01 ↓ 00001",
                                               "voce 01 ↓ 00001", "voce 02 ↨ 00011", "voce 03 ↑ 00012",
                                               "voce 03 ↑ 00012"}));
}

// Ten items in three columns: every movement key in both directions, at both ends of the list.
TEST_F(ListPickerTest, MovementKeysStopAtBothEndsOfAListInColumns) {
    const std::tuple<int, std::string, int> cases[] = {
        {1, keys::kLeft, 1},  {2, keys::kLeft, 1},  {10, keys::kRight, 10}, {9, keys::kRight, 10},
        {1, keys::kUp, 1},    {3, keys::kUp, 3},    {5, keys::kUp, 2},      {1, keys::kDown, 4},
        {7, keys::kDown, 10}, {9, keys::kDown, 10}, {10, keys::kDown, 10},  {1, keys::kPgUp, 1},
        {10, keys::kPgUp, 1}, {1, keys::kPgDn, 10}, {5, keys::kHome, 1},    {5, keys::kEnd, 10},
    };
    items = numbered_items(10);
    for (const auto& [from, key, to] : cases) {
        columns = 3;
        row = column = 0;
        selection = from;
        console.push_keys({key, keys::kEnter});
        pick();
        EXPECT_EQ(selection, to) << "from " << from << " by " << ::testing::PrintToString(key);
    }
}

TEST_F(ListPickerTest, ItemsWiderThanTheScreenAreCutToItsWidthLessTwo) {
    console.set_size({120, 30});
    items = {"Titolo", std::string(200, 'a'), "b"};
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(column, 2);
    EXPECT_EQ(console.row_text(row), "│" + std::string(118, 'a') + "│");
}

TEST_F(ListPickerTest, TypedTextFindsAnItemAndShowsInTheTitle) {
    items = {"Titolo", "alfa", "beta", "Stampa PDF", "gamma", "pdfcreator"};
    console.push_keys({"p", "d", "f", keys::kEnter});
    pick();
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(console.title(), "pdf");

    // The search reaches both ends of the list.
    for (const auto& [text, found] : {std::pair{"alf", 1}, std::pair{"cre", 5}}) {
        for (const char typed : std::string_view(text)) console.push_key(std::string(1, typed));
        console.push_key(keys::kEnter);
        row = column = 0;
        selection = 3;
        pick();
        EXPECT_EQ(selection, found) << text;
    }

    console.push_keys({"p", "d", "f", "!", keys::kEnter});
    row = column = 0;
    pick();
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(console.title(), "");

    // An arrow drops the search text but leaves the title as it was.
    console.push_keys({"p", "d", keys::kDown, keys::kEnter});
    row = column = 0;
    pick();
    EXPECT_EQ(selection, 4);
    EXPECT_EQ(console.title(), "pd");
    console.push_keys({"p", keys::kDown, "f", keys::kEnter});
    row = column = 0;
    pick();
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(console.title(), "f");
}

// While the picker waits for a key, the terminal's cursor stands on the highlighted row's first cell,
// where a screen reader looks, and the console's own cursor stays where it was.
TEST_F(ListPickerTest, WaitsWithTheReadingPointOnTheHighlightedRow) {
    console.set_cursor(3, 4);
    std::vector<std::string> read_at_point;
    console.before_read = [this, &read_at_point] {
        ASSERT_TRUE(console.reading_point);
        const CellPos at = *console.reading_point;
        read_at_point.push_back(cells(at.row, at.col, 7));
        EXPECT_EQ(console.cursor(), (CellPos{3, 4}));
    };
    console.push_keys({keys::kDown, keys::kDown, keys::kEnter});
    pick();
    EXPECT_EQ(read_at_point, (std::vector<std::string>{"voce 01", "voce 02", "voce 03"}));
}

// A control byte in outside text (a file or printer name) is shown as "?", in a centred line and in a
// list row alike, and never moves the text: the frame and the scroll mark stay as drawn.
TEST_F(ListPickerTest, ControlBytesOfOutsideTextShowAsQuestionMarks) {
    write_centred_line(console, "cr\rX\bY\x1bZ\nL\x7f.jpg");
    EXPECT_THAT(console.row_text(1), HasSubstr("cr?X?Y?Z?L?.jpg"));
    EXPECT_EQ(console.cursor(), (CellPos{2, 1}));
    items = {"Titolo", "a\rb\nc\x1b[2Jd", "voce 02"};
    row = 5;
    column = 1;
    options = "CORNICE ESCI SUBITO";
    console.push_keys({keys::kEnter});
    pick();
    EXPECT_THAT(console.row_text(6), HasSubstr("a?b?c?[2Jd"));
    EXPECT_THAT(console.row_text(7), HasSubstr("voce 02"));
}

TEST_F(ListPickerTest, EscAndTheCloseMarkLeaveWithNothingChosen) {
    write_centred_line(console, "sotto");
    const std::string before = console.screen_text();
    options = "CORNiCE cls ";
    console.push_keys({keys::kDown, keys::kEsc});
    pick();
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(options, keys::kEsc);
    EXPECT_EQ(console.screen_text(), before);

    options = "CORNiCE cls ";
    row = 4;
    column = 10;
    console.push_mouse(keys::kMousePress, 4, 10 + 7);
    pick();
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(options, keys::kEsc);
    EXPECT_EQ(console.screen_text(), before);
}

TEST_F(ListPickerTest, ExitKeysEndThePickerAndComeBackAsTyped) {
    options = "CORNICE cls ESCI CON /*/" + keys::kF1 + "/" + keys::kF2 + keys::kF3 + " /A/";
    console.push_keys({keys::kDown, "*"});
    pick();
    EXPECT_EQ(selection, 2);
    EXPECT_EQ(options, "*");

    options = "CORNICE cls ESCI CON /*/" + keys::kF1 + "/" + keys::kF2 + keys::kF3 + " /A/";
    console.push_keys({keys::kF2, keys::kF1});
    pick();
    EXPECT_EQ(options, keys::kF1);

    options = "CORNICE ESCI CON /A/";
    console.push_keys({"a"});
    pick();
    EXPECT_EQ(options, "a");

    options = "CORNiCE cls ESCI CON xy" + keys::kF1;
    console.push_keys({keys::kF1, "x", keys::kEnter});
    pick();
    EXPECT_EQ(options, "CORNiCE cls ESCI CON xy" + keys::kF1);
}

TEST_F(ListPickerTest, HelpOptionReportsTheLastInnerRowWithoutWaiting) {
    items = numbered_items(4);
    options = "cornice help";
    row = 10;
    column = 5;
    selection = 0;
    pick();
    EXPECT_EQ(options, " 14");
    EXPECT_EQ(selection, 4);
    EXPECT_EQ(console.attr_at(row + 3, column), attribute(kBlue, kWhite));
}

TEST_F(ListPickerTest, ExitAtOnceTakesAnyKeyAndLeavesTheListDrawn) {
    options = "CORNICE ESCI SUBITO";
    selection = 9;
    console.push_mouse(keys::kMousePress, 1, 1);
    pick();
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(options, "CORNICE ESCI SUBITO");
    EXPECT_EQ(console.keys_left(), 0u);
    EXPECT_THAT(console.row_text(row), HasSubstr("voce 01"));
}

TEST_F(ListPickerTest, MouseChoosesRowsAndDoubleClicksOnlyWithinTheVisibleList) {
    items = numbered_items(20);
    visible_rows = 10;
    selection = 15;
    row = 2;
    column = 5;
    console.push_mouse(keys::kMouseDoubleClick, 3 + 2, 8);
    pick();
    EXPECT_EQ(selection, 8);

    row = 2;
    console.push_mouse(keys::kMousePress, 3 + 4, 8);
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(selection, 5);
}

TEST_F(ListPickerTest, HelpOpensFromTheMarkAndFromTheQuestionMark) {
    items = {"Titolo", "", "xxxxxx", "yyyyyy"};
    selection = 3;
    row = 4;
    column = 10;
    fake.windows.keys = {"\r", "\r"};
    console.push_key("?");
    console.push_mouse(keys::kMousePress, 4, 10 + 1 + 6 - 3);
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(fake.windows.open_windows.size(), 0u);
    EXPECT_EQ(std::count_if(fake.windows.calls.begin(), fake.windows.calls.end(),
                            [](const std::string& call) { return call.starts_with("open"); }),
              2);
    EXPECT_EQ(selection, 3);
}

TEST_F(ListPickerTest, ItemColoursDefaultToTheWindowsAndTheHighlightSwapsThem) {
    items = numbered_items(3);
    background = {kWhite, kYellow, 0, 0};
    foreground = {kBlue, kRed, 0, 0};
    console.push_keys({keys::kDown, keys::kEnter});
    pick();
    EXPECT_EQ(background[2], kWhite);
    EXPECT_EQ(foreground[3], kBlue);
    EXPECT_EQ(console.attr_at(row, column), attribute(kRed, kYellow));
    EXPECT_EQ(console.attr_at(row + 1, column), attribute(kWhite, kBlue));
    EXPECT_EQ(console.attr_at(row + 2, column), attribute(kBlue, kWhite));
}

TEST_F(ListPickerTest, MouseIsOnWhileWaitingAndOffAfterwards) {
    bool mouse_while_waiting = false;
    bool cursor_while_waiting = true;
    console.before_read = [&] {
        mouse_while_waiting = console.mouse_on();
        cursor_while_waiting = console.cursor_visible();
    };
    console.push_key(keys::kEnter);
    pick();
    EXPECT_TRUE(mouse_while_waiting);
    EXPECT_FALSE(cursor_while_waiting);
    EXPECT_FALSE(console.mouse_on());
    EXPECT_TRUE(console.cursor_visible());
}

TEST_F(ListPickerTest, AnEmptyListReturnsAtOnceAndACountBeyondTheItemsIsReported) {
    items = {"Titolo"};
    const std::string before = console.screen_text();
    pick();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(console.screen_text(), before);

    items = numbered_items(3);
    count = 5;
    console.push_key(keys::kEnd);
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(selection, 3);
    ASSERT_EQ(fake.fault.notices.size(), 1u);
    EXPECT_THAT(fake.fault.notices[0], HasSubstr("#9 "));
}

}  // namespace
}  // namespace posteri

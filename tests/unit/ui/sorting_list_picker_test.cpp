// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sorting_list_picker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/fake_platform.h"
#include "ui/console_text.h"
#include "ui/frame.h"
#include "ui/save_buffer.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SortingListPickerTest : public ::testing::Test {
  protected:
    // Places the window's outer corner at `corner` each time; row and column then hold what it returned.
    void pick() {
        row = corner.row;
        column = corner.col;
        ALONENEW_ORDINA(fake.platform(), row, column, background, foreground, columns, items, count,
                        selection, visible_rows, options);
    }
    // The background colour of a cell.
    int background_at(int at_row, int at_col) const { return console.attr_at(at_row, at_col) >> 4; }
    int foreground_at(int at_row, int at_col) const { return console.attr_at(at_row, at_col) & 15; }

    FakePlatform fake;
    MemoryConsole& console = fake.console;
    CellPos corner{10, 30};
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::int32_t background = kWhite;
    std::int32_t foreground = kBlue;
    std::int32_t columns = 1;
    std::vector<std::string> items{"Stampanti", "alfa", "beta", "Stampante pdf", "gamma", "pdfcreator A4"};
    std::int32_t count = 0;
    std::int32_t selection = 2;
    std::int32_t visible_rows = 21;
    std::string options = "cornice ";
};

TEST_F(SortingListPickerTest, TypedTextSortsMatchesFirstAndPaintsThemLightRed) {
    console.push_keys({"p", "d", "f", keys::kDown, keys::kEnter});
    pick();
    EXPECT_THAT(items, ElementsAre("Stampanti", "pdfcreator A4", "Stampante pdf", "alfa", "beta", "gamma"));
    EXPECT_EQ(selection, 2);
    // The arrow kept the search: the unselected match stays light red, the others in the window colours.
    EXPECT_EQ(console.attr_at(11, 31), attribute(kLightRed, kWhite));
    EXPECT_EQ(console.attr_at(12, 31), attribute(kLightRed, kBlue));
    EXPECT_EQ(console.attr_at(13, 31), attribute(kBlue, kWhite));

    items = {"Stampanti", "alfa", "beta", "Stampante pdf", "gamma", "pdfcreator A4"};
    console.push_keys({"p", "d", "f", "!", keys::kEnter});
    pick();
    EXPECT_THAT(items, ElementsAre("Stampanti", "alfa", "beta", "Stampante pdf", "gamma", "pdfcreator A4"));
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(console.attr_at(11, 31), attribute(kWhite, kBlue));
    EXPECT_EQ(console.title(), "");

    // Text only the last entry holds, then only the first, brings that entry to the top.
    for (const auto& [text, first] : {std::pair{"a4", "pdfcreator A4"}, std::pair{"lf", "alfa"}}) {
        items = {"Stampanti", "alfa", "beta", "Stampante pdf", "gamma", "pdfcreator A4"};
        console.push_keys({std::string(1, text[0]), std::string(1, text[1]), keys::kEnter});
        pick();
        EXPECT_EQ(items[1], first) << text;
        EXPECT_EQ(selection, 1) << text;
    }
}

TEST_F(SortingListPickerTest, QuestionMarkShowsHelpThenSortsTheWholeList) {
    fake.windows.keys = {"", "\x1b"};
    console.push_keys({"?", keys::kEnter});
    pick();
    EXPECT_THAT(fake.windows.calls, ::testing::Contains(HasSubstr("|  Aiuto per questa finestra|")));
    EXPECT_THAT(items, ElementsAre("Stampanti", "alfa", "beta", "gamma", "pdfcreator A4", "Stampante pdf"));
    EXPECT_EQ(selection, 1);
}

TEST_F(SortingListPickerTest, ScrollLightIsBlackWhenTheListFitsAndWrapsRound) {
    items = {"Orientamento", "verticale", "orizzontale", "quadrato"};
    visible_rows = 4;
    selection = 1;
    console.push_keys({keys::kUp, keys::kEnter});
    pick();
    EXPECT_EQ(visible_rows, 3);
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(console.char_at(14, 30), U'└');
    EXPECT_EQ(console.attr_at(11, 31 + 11), attribute(kBlack, kBlack));
}

TEST_F(SortingListPickerTest, ScrollLightTurnsFromGreenToYellowToRed) {
    visible_rows = 4;
    items.push_back("zeta");
    const int light_row = 11;
    const int light_col = 31 + 13;
    for (const auto& [start, light] :
         {std::pair{1, kLightGreen}, std::pair{5, kYellow}, std::pair{6, kLightRed}}) {
        selection = start;
        console.push_key(keys::kEnter);
        pick();
        EXPECT_EQ(console.attr_at(light_row, light_col), attribute(light, light)) << start;
    }
}

TEST_F(SortingListPickerTest, ReturnsTheChosenRowAndTheColumnRightOfTheBorder) {
    items = {"T", std::string(20, 'a'), std::string(20, 'b'), "c"};
    options = "cornice cls ESCI CON /" + keys::kF1 + "/<";
    selection = 1;
    console.push_keys({keys::kDown, keys::kEnter});
    pick();
    EXPECT_EQ(selection, 2);
    EXPECT_EQ(row, 12);
    EXPECT_EQ(column, 52);
}

TEST_F(SortingListPickerTest, PointerStandsBesideTheSelectionAndIsBlankedElsewhere) {
    for (int r = 1; r <= 25; ++r) {
        console.set_cursor(r, 1);
        console.set_colour(attribute(kWhite, kGreen));
        console.write(std::string(80, ' '));
    }
    items = {"T", std::string(20, 'a'), std::string(20, 'b'), "c"};
    options = "niente cornice ESCI CON /" + keys::kF1 + "/<";
    selection = 1;
    console.push_keys({keys::kDown, keys::kEnter});
    pick();
    EXPECT_EQ(console.char_at(12, 52), U'<');
    EXPECT_EQ(console.attr_at(12, 52), attribute(kWhite, kGreen));
    EXPECT_EQ(console.attr_at(11, 52), attribute(kGreen, kGreen));
    EXPECT_EQ(console.char_at(10, 31), U'─');
    EXPECT_EQ(console.char_at(11, 51), U'│');
}

TEST_F(SortingListPickerTest, DoubleClickBelowTheFirstPageDoesNotChoose) {
    visible_rows = 4;
    selection = 6;
    items.push_back("zeta");
    console.push_mouse(keys::kMouseDoubleClick, 11 + 2, 35);
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(selection, 1);

    selection = 2;
    console.push_mouse(keys::kMouseDoubleClick, 11 + 2, 35);
    pick();
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(row, 13);
}

TEST_F(SortingListPickerTest, CloseMarkReturnsNothingAndKeepsTheOptionsAndTheMouseOn) {
    options = "cornice niente cls";
    console.push_mouse(keys::kMousePress, 11 + 3, 35);
    console.push_mouse(keys::kMousePress, 10, 31 + 13 - 1);
    pick();
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(options, "cornice niente cls");
    EXPECT_TRUE(console.mouse_on());
    EXPECT_TRUE(console.cursor_visible());
}

TEST_F(SortingListPickerTest, PlainBorderShowsNoNumberAndNoLight) {
    options = "CORNiCE niente ";
    console.push_key(keys::kEnter);
    pick();
    EXPECT_THAT(console.row_text(10), HasSubstr("┌──Stampanti──┐"));
    EXPECT_EQ(console.char_at(11, 31 + 13), U'│');

    options = "CORNiCE ";
    console.push_key(keys::kEnter);
    pick();
    EXPECT_EQ(console.char_at(10, 31), U'─');
    EXPECT_EQ(console.attr_at(11, 31 + 13), attribute(kBlack, kBlack));

    selection = 3;
    console.push_key(keys::kEnter);
    pick();
    EXPECT_THAT(console.row_text(10), HasSubstr("┌00003mpanti─x┐"));
}

// How the picker ends without "cls": Esc and an exit key write the saved screen back over what was
// drawn since, the close mark leaves the screen as it is.
TEST_F(SortingListPickerTest, EndingsWithoutClsAndWhatTheyHandBack) {
    struct Ending {
        std::string key;  // empty: a press on the close mark
        std::int32_t selection;
        std::string options;
        bool screen_written_back;
    };
    const std::string with_exit_keys = "cornice ESCI CON /" + keys::kF1 + "/";
    const Ending endings[] = {
        {keys::kEsc, 0, keys::kEsc, true},
        {keys::kF1, 2, keys::kF1, true},
        {"", 0, with_exit_keys, false},
    };
    for (const Ending& ending : endings) {
        console.clear();
        write_at(console, 1, 1, "salvato", attribute(kWhite, kBlack));
        save_screen(console);
        write_at(console, 1, 1, "dopo   ", attribute(kWhite, kBlack));
        options = with_exit_keys;
        selection = 2;
        if (ending.key.empty()) {
            console.push_mouse(keys::kMousePress, 10, 31 + 13 - 1);
        } else {
            console.push_key(ending.key);
        }
        pick();
        EXPECT_EQ(selection, ending.selection);
        EXPECT_EQ(options, ending.options);
        EXPECT_EQ(console.row_text(1).starts_with("salvato"), ending.screen_written_back) << console.row_text(1);
    }
}

TEST_F(SortingListPickerTest, AnEmptyListSelectsNothing) {
    items = {"T"};
    pick();
    EXPECT_EQ(selection, 0);
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/memory_console.h"
#include "ui/console_text.h"
#include "ui/frame.h"
#include "ui/option_words.h"
#include "ui/save_buffer.h"

namespace posteri {
namespace {

// A row's text without its trailing blanks.
std::string shown(const MemoryConsole& console, int row) {
    std::string text = console.row_text(row);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

const std::string kFunctionKeys = keys::kF1 + keys::kF2 + keys::kF3 + keys::kF4 + keys::kF5;

TEST(OptionWords, WordsMatchInAnyCaseAnywhereInTheString) {
    EXPECT_TRUE(has_option("CORNiCE cls ", "CORNICE"));
    EXPECT_TRUE(has_option("CORNiCE cls ", "CLS"));
    EXPECT_TRUE(has_option("ESCI CON /x/cornice", "CORNICE"));
    EXPECT_FALSE(has_option("cornice", "NIENTE"));
    EXPECT_TRUE(wants_pointer("cornice ESCI CON /" + keys::kF1 + "/<"));
    EXPECT_FALSE(wants_pointer("< cornice"));
}

TEST(OptionWords, PickerExitKeysMustBeEnclosedInSlashes) {
    const std::string parameters =
        picker_exit_keys("CORNICE cls ESCI CON /*/" + keys::kF1 + "/" + keys::kF2 + keys::kF3);
    EXPECT_TRUE(is_picker_exit_key(parameters, "*"));
    EXPECT_TRUE(is_picker_exit_key(parameters, keys::kF1));
    EXPECT_FALSE(is_picker_exit_key(parameters, keys::kF2));
    EXPECT_FALSE(is_picker_exit_key(parameters, keys::kF3));

    const std::string none = picker_exit_keys("CORNiCE cls ESCI CON xy" + kFunctionKeys);
    for (const std::string& key : {std::string("x"), std::string("y"), keys::kF1, keys::kF5}) {
        EXPECT_FALSE(is_picker_exit_key(none, key));
    }
    EXPECT_EQ(picker_exit_keys("cornice cls"), "");
    EXPECT_TRUE(is_picker_exit_key(picker_exit_keys("esci con /A/"), "a"));
}

TEST(OptionWords, EditorExitKeysEndAtTheFirstBlankAndNeedNoSlashes) {
    const std::string list = editor_exit_keys("insert ESCI CON AB CD");
    EXPECT_TRUE(is_editor_exit_key(list, "A"));
    EXPECT_TRUE(is_editor_exit_key(list, "b"));
    EXPECT_FALSE(is_editor_exit_key(list, "C"));
    EXPECT_FALSE(is_editor_exit_key(list, "D"));
    EXPECT_FALSE(is_editor_exit_key(list, ""));
    EXPECT_TRUE(is_editor_exit_key(editor_exit_keys("ESCI CON xy" + kFunctionKeys), keys::kF3));
    EXPECT_FALSE(is_editor_exit_key(editor_exit_keys("insert"), "A"));
}

TEST(Frame, MarkedBorderCarriesHelpAndCloseMarksAndTheCentredTitle) {
    MemoryConsole console({40, 10});
    const Attribute colours = attribute(kBlue, kWhite);
    const CellPos inner = draw_frame(console, FrameSpec{{2, 3}, 10, 2, colours, "Ab", FrameTop::WithMarks});
    EXPECT_EQ(inner, (CellPos{3, 4}));
    EXPECT_EQ(shown(console, 2), "  ┌────Ab─?─x┐");
    EXPECT_EQ(shown(console, 3), "  │          │");
    EXPECT_EQ(shown(console, 5), "  └──────────┘");
    EXPECT_EQ(console.char_at(2, inner.col + help_mark_offset(10)), U'?');
    EXPECT_EQ(console.char_at(2, inner.col + close_mark_offset(10)), U'x');
    EXPECT_EQ(console.attr_at(4, 8), colours);
    EXPECT_EQ(console.cursor(), (CellPos{1, 1}));
}

TEST(Frame, PlainBorderAndWritesThatNeverScrollTheScreen) {
    MemoryConsole console({12, 4});
    draw_frame(console, FrameSpec{{1, 1}, 10, 2, 7, "", FrameTop::Plain});
    EXPECT_EQ(shown(console, 1), "┌──────────┐");
    EXPECT_EQ(shown(console, 4), "└──────────┘");
    write_at(console, 4, 10, "abcdef", 7);
    EXPECT_EQ(console.row_text(1), "┌──────────┐");
    EXPECT_EQ(console.row_text(4), "└────────abc");
}

TEST(SaveBuffer, RestoresTheWholeScreenAndKeepsOnlyTheLatestCopy) {
    MemoryConsole console({20, 5});
    write_at(console, 2, 2, "prima", attribute(kYellow, kBlue));
    save_screen(console);
    const std::string first = console.screen_text();
    write_at(console, 2, 2, "dopo!", 7);
    console.clear();
    restore_screen(console);
    EXPECT_EQ(console.screen_text(), first);
    EXPECT_EQ(console.attr_at(2, 3), attribute(kYellow, kBlue));

    write_at(console, 5, 1, "seconda", 7);
    save_screen(console);
    console.clear();
    restore_screen(console);
    EXPECT_EQ(console.row_text(5).substr(0, 7), "seconda");
}

}  // namespace
}  // namespace posteri

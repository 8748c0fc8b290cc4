// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/line_editor.h"

#include <gtest/gtest.h>

#include "format/codepage.h"
#include "support/fake_platform.h"
#include "ui/console_text.h"

namespace posteri {
namespace {

constexpr int kRow = 5;
constexpr int kColumn = 10;

// What the user saw at a key read: the caret's field column, the field's cells, the cursor size.
struct Seen {
    int caret;
    std::string shown;
    int cursor_size;
};

struct Outcome {
    std::string text;
    std::string options;
    std::string start_mode;
    std::int32_t offset = 1;
    std::vector<Seen> seen;
};

// Editings at (kRow, kColumn), magenta on white, with offset 1.
class LineEditorTest : public ::testing::Test {
  protected:
    Outcome edit(const std::string& text, std::int32_t width, std::string mode, std::string options,
                 const std::vector<std::string>& keys, std::string_view accepted = "") {
        Outcome out;
        out.options = std::move(options);
        out.start_mode = std::move(mode);
        const int shown = std::max<int>(width, 1);
        console.before_read = [&] {
            std::string cells;
            for (int col = kColumn; col < kColumn + shown; ++col)
                cells += utf8_encode(console.char_at(kRow, col));
            out.seen.push_back({console.cursor().col - kColumn + 1, cells, console.cursor_size()});
        };
        for (const std::string& key : keys) console.push_key(key);
        out.text = LONGINPU(fake.platform(), kRow, kColumn, text, width, out.offset, out.start_mode, accepted,
                            kWhite, kMagenta, out.options);
        console.before_read = nullptr;
        return out;
    }

    // The mode outlives every editing, so each test sets it first.
    void set_insert_mode(bool on) {
        if (on) edit("x", 1, " ", "insert", {keys::kEsc});
        if (!on) edit("x", 1, " ", "insert", {keys::kIns, keys::kEsc});
    }

    FakePlatform fake;
    MemoryConsole& console = fake.console;
};

TEST_F(LineEditorTest, StartModesPlaceTheCaret) {
    struct Case {
        std::string text;
        std::int32_t width;
        std::string mode, options;
        int caret;
        std::string mode_after, text_after;
    };
    const std::vector<Case> cases = {
        {"abc  ", 5, " ", "", 4, " ", "abc  "},
        {"abc", 3, " ", "", 3, "U", "abc"},
        {"     ", 5, "u", "", 1, " ", "     "},
        {"abcdef", 6, "3", "", 3, "3", "abcdef"},
        {"abcdef", 6, "", "", 1, "", "abcdef"},
        // A variable text gets a blank for the caret to stand on; width 0 is the text's length.
        {"abc", 4, " ", "VARIABILE", 4, " ", "abc "},
        {"abcdefgh", 0, "", "", 1, "", "abcdefgh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + "|" + c.mode);
        const Outcome out = edit(c.text, c.width, c.mode, c.options, {keys::kEnter});
        ASSERT_EQ(out.seen.size(), 1u);
        EXPECT_EQ(out.seen[0].caret, c.caret);
        EXPECT_EQ(out.start_mode, c.mode_after);
        EXPECT_EQ(out.text, c.text_after);
    }
    EXPECT_EQ(console.row_text(kRow).substr(kColumn - 1, 9), "abcdefgh ");
}

TEST_F(LineEditorTest, AWidthOfZeroIsAtMostTheScreensWidth) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += char('a' + i % 26);
    console.push_key(keys::kEnter);
    std::int32_t offset = 1;
    std::string mode = " ";
    std::string options;
    EXPECT_EQ(LONGINPU(fake.platform(), 3, 1, text, 0, offset, mode, "", kWhite, kMagenta, options), text);
    EXPECT_EQ(offset, 21);
    EXPECT_EQ(console.row_text(3), text.substr(20));
    EXPECT_EQ(console.cursor(), (CellPos{3, 80}));
}

TEST_F(LineEditorTest, TypingDeletingAndMoving) {
    struct Case {
        const char* name;
        bool insert;
        std::string options;
        std::string mode;  // the caret's first column on "abcd"
        std::vector<std::string> keys;
        std::string text;
        int caret;  // after the last key
    };
    const std::vector<Case> cases = {
        {"insert, fixed length", true, "", "2", {"X"}, "aXbc", 3},
        {"insert, variable length", true, "VARIABILE", "2", {"X"}, "aXbcd ", 3},
        {"overwrite, fixed length", false, "", "2", {"X"}, "aXcd", 3},
        {"overwrite, variable length", false, "VARIABILE", "2", {"X"}, "aXcd ", 3},
        {"overwrite at the end", false, "", "4", {"X", "Y"}, "abcY", 4},
        {"insert at the end", true, "", "4", {"X"}, "abcX", 4},
        {"Del", false, "", "2", {keys::kDel}, "acd ", 2},
        {"Backspace only moves", false, "", "3", {keys::kBackspace, "X"}, "aXcd", 3},
        {"accented letter",
         false,
         "",
         "1",
         {"\xE0"},
         "\xE0"
         "bcd",
         2},
        {"Ins turns insert on", false, "", "2", {keys::kIns, "X"}, "aXbc", 3},
        {"Ins turns insert off", true, "", "2", {keys::kIns, "X"}, "aXcd", 3},
        {"Left at the first column", false, "", "1", {keys::kLeft, "X"}, "Xbcd", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_insert_mode(c.insert);
        std::vector<std::string> keys = c.keys;
        keys.push_back(keys::kEnter);
        const Outcome out = edit("abcd", 4, c.mode, c.options, keys);
        EXPECT_EQ(out.text, c.text);
        EXPECT_EQ(out.seen.back().caret, c.caret);
    }
    // Only accepted characters are typed, whatever their letter case.
    EXPECT_EQ(edit("....", 4, "", "", {"1", "a", "B", "x", "2", keys::kEnter}, "0123456789ab").text, "1aB2");
}

TEST_F(LineEditorTest, HomeAndEndScrollALongText) {
    std::string text;
    for (int i = 1; i <= 100; ++i) text += char('0' + i % 10);
    const Outcome out = edit(text, 20, "", "", {keys::kEnd, keys::kRight, keys::kHome, keys::kEnter});
    ASSERT_EQ(out.seen.size(), 4u);
    EXPECT_EQ(out.seen[1].shown, text.substr(80));  // End: characters 81 to 100, the caret on the last
    EXPECT_EQ(out.seen[1].caret, 20);
    EXPECT_EQ(out.seen[2].shown, text.substr(80));  // Right there does not move
    EXPECT_EQ(out.seen[2].caret, 20);
    EXPECT_EQ(out.seen[3].shown, text.substr(0, 20));
    EXPECT_EQ(out.seen[3].caret, 1);
    EXPECT_EQ(out.offset, 1);
}

TEST_F(LineEditorTest, EndingKeysAreReturnedAndEscKeepsTheChanges) {
    set_insert_mode(false);
    for (const std::string& key : {keys::kUp, keys::kDown, keys::kPgUp, keys::kPgDn, keys::kEnter, keys::kTab,
                                   keys::kEsc, keys::kF1}) {
        const Outcome out = edit("abc", 3, "", "", {"X", key});
        EXPECT_EQ(out.options, key);
        EXPECT_EQ(out.text, "Xbc");
    }
    EXPECT_EQ(edit("abc", 3, "", "", {keys::kF2, keys::kEnter}).options, keys::kEnter);
    // The exit-key list ends at its first blank; letters match in either case and come back as typed.
    const Outcome out = edit("....", 4, "", "ESCI CON AB CD", {"c", "d", "a"});
    EXPECT_EQ(out.text, "cd..");
    EXPECT_EQ(out.options, "a");
}

TEST_F(LineEditorTest, TheInsertModeOutlivesTheCall) {
    const Outcome first = edit("abcd", 4, "", "insert", {keys::kEsc});
    EXPECT_EQ(first.seen[0].cursor_size, 100);
    EXPECT_EQ(console.cursor_size(), 20);
    // Without "insert" the cursor starts small, while typing still inserts.
    const Outcome second = edit("abcd", 4, "", "", {"X", keys::kIns, keys::kEsc});
    EXPECT_EQ(second.text, "Xabc");
    EXPECT_EQ(second.seen[0].cursor_size, 20);
    EXPECT_EQ(edit("abcd", 4, "", "", {"X", keys::kEsc}).text, "Xbcd");
}

TEST_F(LineEditorTest, DrawsTheFieldInItsColoursAtTheCursor) {
    set_insert_mode(false);
    console.set_cursor(7, 3);
    console.push_keys({"Z", keys::kEnter});
    std::int32_t offset = 1;
    std::string mode;
    std::string options;
    EXPECT_EQ(LONGINPU(fake.platform(), 0, 0, "abc", 3, offset, mode, "", kWhite, kMagenta, options), "Zbc");
    EXPECT_EQ(console.row_text(7).substr(0, 6), "  Zbc ");
    for (int col = 3; col <= 5; ++col) EXPECT_EQ(console.attr_at(7, col), attribute(kMagenta, kWhite));
    EXPECT_EQ(console.attr_at(7, 6), attribute(kLightGrey, kBlack));
    EXPECT_EQ(console.cursor(), (CellPos{7, 4}));
}

// A field wider than the text: the caret stops on the last character, nothing is read or written
// past the text, and an empty text stays empty.
TEST_F(LineEditorTest, AFieldWiderThanTheTextStaysOnTheText) {
    set_insert_mode(false);
    const Outcome out =
        edit("abc", 10, " ", "", {keys::kRight, keys::kEnd, "X", keys::kDel, keys::kHome, "Y", keys::kEnter});
    EXPECT_EQ(out.text, "Yb ");
    for (const Seen& seen : out.seen) {
        EXPECT_LE(seen.caret, 3);
        EXPECT_EQ(seen.shown.substr(3), std::string(7, ' '));
    }
    set_insert_mode(true);
    EXPECT_EQ(edit("", 0, " ", "", {"X", keys::kDel, keys::kRight, keys::kEnter}).text, "");
}

TEST(LineEditorStrings, InsertAndDeleteOneCharacter) {
    EXPECT_EQ(INSCHR("abcd", 'X', 1, 1), "aXbcd");
    EXPECT_EQ(INSCHR("abcd", 'X', -3, 0), "Xabc");
    EXPECT_EQ(INSCHR("abcd", 'X', 9, 1), "abcdX");
    EXPECT_EQ(DELCHR("abcd", "", 4), "abc");
    // No character at the position: nothing removed, nothing added.
    EXPECT_EQ(DELCHR("abcd", " ", 5), "abcd");
}

}  // namespace
}  // namespace posteri

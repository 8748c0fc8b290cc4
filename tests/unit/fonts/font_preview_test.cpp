// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts/font_preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <set>

#include "format/text.h"
#include "platform/windows/console_box_windows.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> numbered_entries(int count) {
    std::vector<std::string> entries{""};
    for (int i = 1; i <= count; ++i) entries.push_back("Face " + std::to_string(1000 + i) + ", ABC");
    return entries;
}

// With the fake's measure an entry of n characters at 24 points is 24n wide and 48 high.
class FontPreview : public ::testing::Test {
  protected:
    FakePlatform fake;
    FakeWindows& windows = fake.windows;
    std::int32_t margin_x = 10;
    std::int32_t mode_y = 0;
    std::int32_t rows = 32;

    std::int32_t choose(std::vector<std::string> entries, std::int32_t selection,
                        std::vector<std::string> keys = {}, std::int32_t count = 0) {
        windows.keys.assign(keys.begin(), keys.end());
        GRAPHIC_(fake.platform(), margin_x, mode_y, entries, count, selection, rows, 24);
        return selection;
    }

    // The texts drawn in the last frame before the window closed, highlighted ones marked with "*".
    std::vector<std::string> last_frame_texts() const {
        const auto end = std::find_if(windows.calls.rbegin(), windows.calls.rend(), [](const std::string& call) {
            return call.starts_with("present");
        });
        const auto begin = std::find_if(end + 1, windows.calls.rend(), [](const std::string& call) {
            return call.starts_with("present") || call.starts_with("clear");
        });
        std::vector<std::string> texts;
        for (auto it = begin.base(); it != end.base() - 1; ++it) {
            if (!it->starts_with("text")) continue;
            const std::string text = it->substr(it->find('|') + 1, it->size() - it->find('|') - 2);
            if (!text.empty()) texts.push_back((it->find(" ffff00 ") != std::string::npos ? "*" : "") + text);
        }
        return texts;
    }
};

// The progress goes over what stood on the line under the cursor, and the line is blank again
// when the window opens.
TEST_F(FontPreview, ALongMeasuringSaysHowFarItHasComeUnderTheHeaderUntilTheWindowOpens) {
    fake.console.write("Intestazione");
    fake.console.new_line();
    fake.console.write("vecchio testo lungo");
    fake.console.set_cursor(2, 1);
    std::vector<std::string> shown;
    windows.while_measuring = [&](const MeasureProgress& progress, int total) {
        for (const int done : {200, 1200}) {
            progress(done, total);
            shown.emplace_back(trim_spaces(fake.console.row_text(2)));
        }
    };
    choose(numbered_entries(1500), 1, {keys::kEnter});
    EXPECT_THAT(shown, ElementsAre("Carico i caratteri\u2026 200 di 1500", "Carico i caratteri\u2026 1200 di 1500"));
    EXPECT_EQ(fake.console.row_text(2).substr(0, 40), std::string(40, ' '));
    EXPECT_EQ(fake.console.row_text(1).substr(0, 12), "Intestazione");
    EXPECT_EQ(fake.console.cursor(), (CellPos{2, 1}));
}

TEST_F(FontPreview, AWholeListInViewWrapsRoundAndIsCentredInTheWorkArea) {
    const std::vector<std::string> five{"", "Alfa, x", "Beta, x", "Gamma, x", "Delta, x", "Eco, x"};
    EXPECT_EQ(choose(five, 1, {keys::kUp, keys::kEnter}), 5);
    EXPECT_EQ(rows, 5);
    // The widest entry (8 characters) is 192 wide; 5 rows of 48; margins of 10 all round.
    EXPECT_EQ(windows.calls[0], "open 1 854 390 212 260 ||");
    EXPECT_EQ(margin_x, 854);
    EXPECT_EQ(mode_y, 390);
    EXPECT_THAT(windows.calls, Contains("raise 1"));
    EXPECT_EQ(windows.calls.back(), "close 1");

    margin_x = 10;
    mode_y = 0;
    EXPECT_EQ(choose(five, 5, {keys::kDown, keys::kEnter}), 1);
    margin_x = 10;
    mode_y = 0;
    EXPECT_EQ(choose(five, 1, {keys::kLeft, keys::kEnd, keys::kRight, keys::kEnter}), 5);
}

TEST_F(FontPreview, ALongListStopsAtItsEndsAndPagesThroughIt) {
    windows.measure = [](const FontSpec&, std::string_view text) {
        return TextExtent{static_cast<int>(text.size()) * 10, 20};
    };
    const std::vector<std::string> hundred = numbered_entries(100);
    EXPECT_EQ(choose(hundred, 1, {keys::kUp, keys::kEnter}), 1);
    EXPECT_EQ(choose(hundred, 1, {keys::kEnd, keys::kEnter}), 100);
    std::vector<std::string> shown = last_frame_texts();
    ASSERT_EQ(shown.size(), 34u) << "row 0 above the window, 32 rows, the highlighted one again";
    EXPECT_EQ(shown[1], hundred[69]);
    EXPECT_EQ(shown[32], hundred[100]);
    EXPECT_EQ(shown[33], "*" + hundred[100]);
    EXPECT_EQ(choose(hundred, 50, {keys::kPgDn, keys::kPgDn, keys::kEnter}), 100);
    EXPECT_EQ(choose(hundred, 50, {keys::kPgUp, keys::kHome, keys::kDown, keys::kEnter}), 2);
    EXPECT_EQ(choose(hundred, 40, {keys::kDel, "x", keys::kEsc}), 0);
    EXPECT_NE(fake.console.screen_text().find("Premuto delete"), std::string::npos);
}

TEST_F(FontPreview, RowsAreDrawnInTheirOwnFacesOverWhiteWithTheSelectionYellowOnBlack) {
    EXPECT_EQ(choose({"", "Uno, x", "Due, x"}, 2, {keys::kEnter}), 2);
    // 2 rows of 48 in a 164 x 116 window: row 0 (above the window) and rows 1 and 2, then the
    // window's frame and the highlight.
    EXPECT_THAT(std::vector<std::string>(windows.calls.begin() + 2, windows.calls.end()),
                ElementsAre("raise 1", "box 1 10 -38 144 96 fill ffffff", "text 1 10 -38  24 0 000000 ||",
                            "box 1 10 10 144 96 fill ffffff", "text 1 10 10 Uno 24 0 000000 |Uno, x|",
                            "box 1 10 58 144 96 fill ffffff", "text 1 10 58 Due 24 0 000000 |Due, x|",
                            "box 1 0 0 164 116 outline 000000",
                            "box 1 10 58 144 48 fill 000000",
                            "text 1 10 58 Due 24 0 ffff00 |Due, x|", "present 1", "close 1"));
}

TEST_F(FontPreview, EveryEntryIsMeasuredInItsOwnFaceAndTheWorkAreaLimitsTheRows) {
    std::vector<FontSpec> measured;
    windows.measure = [&](const FontSpec& font, std::string_view text) {
        measured.push_back(font);
        return TextExtent{static_cast<int>(text.size()), font.face.back() % 2 == 1 ? 30 : 50};
    };
    // Heights 30 and 50 by turns (odd and even last characters): a mean of 40, so 1040 \ 40 = 26 rows fit, fewer than 32: 24.
    std::vector<std::string> entries = numbered_entries(100);
    entries[7] = std::string(2000, 'W');
    EXPECT_EQ(choose(entries, 1, {keys::kEnter}, 100), 1);
    EXPECT_EQ(rows, 24);
    ASSERT_EQ(measured.size(), 100u);
    EXPECT_EQ(measured[0], (FontSpec{"Face 1001", 24, 0}));
    // Wider than the work area: as wide as it, less 32.
    EXPECT_EQ(windows.calls[0], "open 1 16 30 1888 980 ||");
}

TEST_F(FontPreview, AClickChoosesTheRowUnderThePointerAfterFramingIt) {
    windows.measure = [](const FontSpec&, std::string_view text) {
        return TextExtent{static_cast<int>(text.size()) * 10, 40};
    };
    // From entry 34 of 100 with 24 rows the first row shows entry 11: top is 10. The third row
    // spans y 90 to 130.
    windows.clicks = {std::nullopt, MouseClick{1, 50, 129}};
    EXPECT_EQ(choose(numbered_entries(100), 34, {}), 13);
    EXPECT_THAT(std::vector<std::string>(windows.calls.end() - 3, windows.calls.end()),
                ElementsAre("box 1 10 90 140 40 outline 000000", "present 1", "close 1"));
    EXPECT_EQ(fake.system.slept_ms, 10 + 250);
    // A click on the margin below the rows takes the last row, not an entry past it.
    windows.clicks = {MouseClick{2, 50, 1000}};
    EXPECT_EQ(choose(numbered_entries(3), 1, {}), 3);
}

// Given the idle polls a person's pace leaves between keys, every entry a key brings into view was
// readied before: scrolling by one row down and up, and a page down and up.
TEST_F(FontPreview, EntriesTheNextKeyCanShowAreReadiedWhileNoKeyComes) {
    windows.keeps_texts = true;
    std::vector<std::string> keys;
    for (const auto& key : {keys::kDown, keys::kPgDn, keys::kPgUp, keys::kPgUp, keys::kUp, keys::kEnter}) {
        keys.insert(keys.end(), 60, "");
        keys.emplace_back(key);
    }
    // 19 rows; entry 50 is on the last one.
    EXPECT_EQ(choose(numbered_entries(200), 50, keys), 31);
    std::set<std::string> ready;
    bool first_frame = true;
    for (const std::string& call : windows.calls) {
        const std::string text = call.substr(call.find('|') + 1, call.size() - call.find('|') - 2);
        if (call.starts_with("present")) first_frame = false;
        if (call.starts_with("ready") || (call.starts_with("text") && first_frame)) ready.insert(text);
        if (call.starts_with("text") && !text.empty()) {
            EXPECT_TRUE(ready.contains(text)) << text;
        }
    }
}

TEST_F(FontPreview, PositionModesPlaceTheWindowAndWriteItsCornerBack) {
    struct Case {
        std::int32_t margin_x, mode_y, x, y;
    };
    // A 212 x 260 window on a 1920 x 1040 work area; other modes keep the caller's corner, whose x is
    // the margin too.
    for (const Case c : {Case{10, 0, 854, 390}, Case{10, 1, 1920, 0}, Case{10, 2, 1920, 390},
                         Case{10, 10, 0, 1040}, Case{0, 7, 0, 7}}) {
        margin_x = c.margin_x;
        mode_y = c.mode_y;
        windows.calls.clear();
        choose({"", "Alfa, x", "Beta, x", "Gamma, x", "Delta, x", "Eco, x"}, 1, {keys::kEnter});
        EXPECT_EQ(margin_x, c.x) << "mode " << c.mode_y;
        EXPECT_EQ(mode_y, c.y) << "mode " << c.mode_y;
    }
    EXPECT_EQ(windows.calls[0], "open 5 0 7 192 240 ||") << "no margin: rows start at the top";
}

TEST_F(FontPreview, AnEmptyListOpensNoWindowAndChangesNothing) {
    std::int32_t count = -1;
    std::int32_t selection = 4;
    std::vector<std::string> entries{""};
    GRAPHIC_(fake.platform(), margin_x, mode_y, entries, count, selection, rows, 24);
    EXPECT_THAT(windows.calls, IsEmpty());
    EXPECT_EQ(count, -1);
    EXPECT_EQ(selection, 4);
    EXPECT_EQ(margin_x, 10);
    EXPECT_EQ(rows, 32);
}

// Without a display the preview is a framed box in a 100 x 30 console, where a row is a cell high.
class FontPreviewInConsole : public ::testing::Test {
  protected:
    FakePlatform fake;
    MemoryConsole console{{100, 30}};
    ConsoleBoxWindows boxes{console};
    Platform platform{console, fake.system, fake.fault, fake.speech, fake.printers, fake.images, boxes, fake.fonts};
    std::vector<std::string> entries = numbered_entries(300);
    std::int32_t rows = 32;

    std::int32_t choose(std::int32_t selection) {
        std::int32_t margin_x = 10, mode_y = 0, count = 0;
        GRAPHIC_(platform, margin_x, mode_y, entries, count, selection, rows, 24);
        return selection;
    }
};

TEST_F(FontPreviewInConsole, ALongListFitsAThirtyRowConsoleAndAClickPicksTheRowUnderIt) {
    // End shows entries 273 to 300; the third row stands on screen row 4.
    console.push_key(keys::kEnd);
    console.push_mouse(keys::kMousePress, 4, 45);
    EXPECT_EQ(choose(1), 275);
    EXPECT_EQ(rows, 28) << "480 \\ 16 = 30 rows, fewer than 32";
}

TEST_F(FontPreviewInConsole, EveryRowShowsAndTheHighlightCoversOnlyItsOwnRow) {
    std::vector<std::string> screens;
    std::optional<CellPos> reading_point;
    char32_t read_there = 0;
    console.before_read = [&] {
        screens.push_back(console.screen_text());
        reading_point = console.reading_point;
        if (reading_point) read_there = console.char_at(reading_point->row, reading_point->col);
    };
    console.push_key(keys::kEnter);
    EXPECT_EQ(choose(3), 3);
    ASSERT_EQ(screens.size(), 1u);
    const std::vector<std::string> lines = split_at(screens[0], '\n');
    for (int k = 1; k <= 28; ++k) {
        EXPECT_NE(lines.at(k).find(entries[k]), std::string::npos) << "row " << k << ": " << lines.at(k);
    }
    // A screen reader finds the highlighted entry at the terminal's cursor.
    ASSERT_TRUE(reading_point);
    EXPECT_EQ(reading_point->row, 4);
    EXPECT_EQ(read_there, char32_t(entries[3][0]));
    EXPECT_EQ(console.row_text(1), std::string(100, ' ')) << "the box puts back what it covered";
}

}  // namespace
}  // namespace posteri

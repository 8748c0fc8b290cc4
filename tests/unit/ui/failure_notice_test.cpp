// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "support/memory_console.h"
#include "support/recording_fault.h"
#include "ui/console_fault.h"
#include "ui/failure.h"

namespace posteri {
namespace {

using ::testing::HasSubstr;

TEST(FailureNotice, TextNamesTheNumberTheDescriptionAndTheRoutine) {
    EXPECT_EQ(failure_text(53, "SCP_DEFA"),
              "Untrapped Error #53 (File not found)\nhas occurred following execution of SCP_DEFA\n\n"
              "Press OK to continue, Cancel to terminate");
    EXPECT_THAT(failure_text(9, "X"), HasSubstr("#9 (Subscript/Pointer out of range)\n"));
    EXPECT_THAT(failure_text(75, "X"), HasSubstr("#75 (Path/file access error)\n"));
    EXPECT_THAT(failure_text(242, "X"), HasSubstr("#242 (String space corrupt)\n"));
}

TEST(FailureNotice, SystemErrorsMapOntoTheTable) {
    const std::pair<int, int> cases[] = {{EACCES, 70}, {EPERM, 70}, {ENOENT, 53}, {ENOTDIR, 76},
                                         {ENOSPC, 61}, {EIO, 57},   {EMFILE, 67}, {ENFILE, 67},
                                         {EXDEV, 74},  {EROFS, 75}, {EEXIST, 58}, {EISDIR, 75}};
    for (const auto& [error, number] : cases) EXPECT_EQ(failure_number_for_errno(error), number) << error;
}

TEST(FailureNotice, OkReturnsCancelEndsTheRunWith255) {
    RecordingFault fault;
    fault.answers = {FaultAnswer::Ok, FaultAnswer::Cancel};
    RoutineName routine("SCP_SALV");
    EXPECT_NO_THROW(raise_failure(fault, 61));
    try {
        raise_failure(fault, 61);
        FAIL() << "Cancel did not end the run";
    } catch (const RunEnded& ended) {
        EXPECT_EQ(ended.exit_code, 255);
    }
    EXPECT_THAT(fault.notices[0], HasSubstr("execution of SCP_SALV\n"));
}

TEST(FailureNotice, NumbersFrom241EndTheRunWhateverTheAnswer) {
    RecordingFault fault;
    fault.answers = {FaultAnswer::Ok};
    EXPECT_THROW(raise_failure(fault, 241), RunEnded);
    EXPECT_EQ(fault.notices.size(), 1u);
}

TEST(FailureNotice, RoutineNamesNestAndComeBack) {
    RoutineName outer("MAIN");
    {
        RoutineName inner("SCP_DEFA");
        EXPECT_STREQ(current_routine(), "SCP_DEFA");
    }
    EXPECT_STREQ(current_routine(), "MAIN");
}

TEST(FailureNotice, NoErrorRaisesNothing) {
    RecordingFault fault;
    EXPECT_FALSE(raise_for_errno(fault, 0));
    EXPECT_TRUE(fault.notices.empty());
}

class ConsoleFaultTest : public ::testing::Test {
protected:
    ConsoleFaultTest() {
        console.set_colour(0x1E);
        console.write("contenuto di prima");
        console.set_cursor(5, 7);
    }
    FaultAnswer show() { return ConsoleFault(console).show_notice(failure_text(70, "SCP_SALV")); }

    MemoryConsole console{{80, 25}};
};

TEST_F(ConsoleFaultTest, EnterChoosesOkAndEscCancel) {
    console.push_key(keys::kEnter);
    EXPECT_EQ(show(), FaultAnswer::Ok);
    console.push_key(keys::kEsc);
    EXPECT_EQ(show(), FaultAnswer::Cancel);
}

TEST_F(ConsoleFaultTest, TabMovesTheFocusToCancel) {
    console.push_keys({keys::kTab, keys::kEnter});
    EXPECT_EQ(show(), FaultAnswer::Cancel);
    console.push_keys({keys::kRight, keys::kLeft, keys::kEnter});
    EXPECT_EQ(show(), FaultAnswer::Ok);
}

// A console that remembers the screen as it was when the program first waited for a key.
class ScreenAtFirstKey : public MemoryConsole {
public:
    using MemoryConsole::MemoryConsole;
    std::string read_key() override {
        if (seen.empty()) seen = screen_text();
        return MemoryConsole::read_key();
    }
    std::string seen;
};

std::string screen_during_notice(std::string_view text) {
    ScreenAtFirstKey probe{{80, 25}};
    probe.push_key(keys::kEnter);
    ConsoleFault(probe).show_notice(text);
    return probe.seen;
}

TEST_F(ConsoleFaultTest, ShowsTheWholeTextAndBothButtonsInAFrame) {
    const std::string shown = screen_during_notice(failure_text(70, "SCP_SALV"));
    EXPECT_THAT(shown, HasSubstr("Untrapped Error #70 (Permission denied)"));
    EXPECT_THAT(shown, HasSubstr("has occurred following execution of SCP_SALV"));
    EXPECT_THAT(shown, HasSubstr("Press OK to continue, Cancel to terminate"));
    EXPECT_THAT(shown, HasSubstr("OK"));
    EXPECT_THAT(shown, HasSubstr("Cancel"));
    EXPECT_THAT(shown, HasSubstr("\u250C\u2500"));
    EXPECT_THAT(shown, HasSubstr("\u2500\u2518"));
}

TEST_F(ConsoleFaultTest, AClickOnAButtonChoosesIt) {
    const std::string shown = screen_during_notice("riga");
    std::vector<std::string> rows;
    for (std::size_t start = 0, end; (end = shown.find('\n', start)) != std::string::npos; start = end + 1) {
        rows.push_back(shown.substr(start, end - start));
    }
    int row = 0;
    std::size_t col = std::string::npos;
    for (int r = 1; r <= 25 && col == std::string::npos; ++r) {
        col = rows[static_cast<std::size_t>(r - 1)].find("Cancel");
        row = r;
    }
    ASSERT_NE(col, std::string::npos);
    // The row text is UTF-8 and the frame glyphs take three bytes each: count characters instead.
    const std::string& line = rows[static_cast<std::size_t>(row - 1)];
    int column = 1;
    for (std::size_t i = 0; i < col; ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    }
    console.push_mouse(keys::kMousePress, row, column + 2);
    EXPECT_EQ(ConsoleFault(console).show_notice("riga"), FaultAnswer::Cancel);
    console.push_mouse(keys::kMousePress, 1, 1);  // outside the buttons: ignored
    console.push_key(keys::kEnter);
    EXPECT_EQ(ConsoleFault(console).show_notice("riga"), FaultAnswer::Ok);
}

TEST_F(ConsoleFaultTest, PutsBackTheCellsCursorColourAndMouseItCovered) {
    const std::vector<Cell> before = console.read_cells({1, 1, 25, 80});
    console.push_key(keys::kEnter);
    show();
    EXPECT_EQ(console.read_cells({1, 1, 25, 80}), before);
    EXPECT_EQ(console.cursor(), (CellPos{5, 7}));
    EXPECT_EQ(console.colour(), 0x1E);
    EXPECT_FALSE(console.mouse_on());
}

TEST_F(ConsoleFaultTest, FitsOnATinyScreen) {
    MemoryConsole tiny{{10, 4}};
    tiny.push_key(keys::kEnter);
    EXPECT_EQ(ConsoleFault(tiny).show_notice(failure_text(70, "SCP_SALV")), FaultAnswer::Ok);
}

}  // namespace
}  // namespace posteri

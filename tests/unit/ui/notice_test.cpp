// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/run_operations.h"
#include "platform/windows/console_box_windows.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// With the fake's measure a line is characters x points wide and 2 x points high, and a character
// is points wide.
class NoticeWindow : public ::testing::Test {
  protected:
    FakePlatform fake;
    FakeWindows& windows = fake.windows;

    std::string notice(std::string_view shown, float timeout = 0, std::string_view spoken = "") {
        return FUN_AVVI(fake.platform(), spoken, shown, timeout, 0, "", 0, 0, 0);
    }
};

TEST_F(NoticeWindow, DefaultsGiveACentredLucidaConsoleNoticeInBlueOnPowderBlue) {
    windows.keys = {"", "x"};
    EXPECT_EQ(notice("un tasto..."), "x");
    // 11 characters at 14 points: 154 wide, 28 high; the window adds 2 x 40 and 2 characters and is
    // centred on the 1920 x 1080 desktop.
    EXPECT_THAT(windows.calls, ElementsAre("open 1 829 486 262 108 ||", "clear 1 b0e0e6",
                                           "text 1 54 40 Lucida console 14 0 4169e1 |un tasto...|",
                                           "present 1", "raise 1", "close 1"));
    EXPECT_EQ(fake.system.slept_ms, 25);
    EXPECT_THAT(windows.open_windows, IsEmpty());
}

TEST_F(NoticeWindow, GivenFontStyleAndColoursAreUsedAsTheyCome) {
    windows.keys = {"\r"};
    EXPECT_EQ(FUN_AVVI(fake.platform(), "", "ab", 0, -10, "pragmatapro", 1, 0x102030, 0xFFFF00), "\r");
    EXPECT_EQ(windows.calls[1], "clear 1 102030");
    EXPECT_EQ(windows.calls[2], "text 1 50 40 pragmatapro 10 1 ffff00 |ab|");
    windows.keys = {"\r"};
    FUN_AVVI(fake.platform(), "", "ab", 0, 0, "", -3, 0, 0);
    EXPECT_EQ(windows.calls[8], "text 2 54 40 Lucida console 14 0 4169e1 |ab|");
}

TEST_F(NoticeWindow, EachCrLfStartsALineAndBlankLinesKeepTheirHeight) {
    windows.keys = {"k"};
    notice("uno\r\n\r\ntre   \r\n");
    // Four lines of 28 pixels: "uno", a blank, "tre   ", a blank; the widest is 6 characters.
    EXPECT_EQ(windows.calls[0], "open 1 864 444 192 192 ||");
    EXPECT_EQ(windows.calls[2], "text 1 75 40 Lucida console 14 0 4169e1 |uno|");
    EXPECT_EQ(windows.calls[3], "text 1 89 68 Lucida console 14 0 4169e1 | |");
    EXPECT_EQ(windows.calls[4], "text 1 54 96 Lucida console 14 0 4169e1 |tre   |");
    EXPECT_EQ(windows.calls[5], "text 1 89 124 Lucida console 14 0 4169e1 | |");
}

TEST_F(NoticeWindow, TimeOutEndsTheWaitWithNothingOnceExceeded) {
    fake.system.clock = {100, 101, 102, 102.5};
    EXPECT_EQ(notice("attendi", 2), "");
    EXPECT_EQ(windows.key_polls, 3);
    EXPECT_EQ(fake.system.slept_ms, 50);
    EXPECT_EQ(windows.calls.back(), "close 1");
}

TEST_F(NoticeWindow, SpeakingCountsTowardsTheTimeOut) {
    fake.system.clock = {100, 103};
    EXPECT_EQ(notice("un tasto...", 2, "Abbandono del programma"), "");
    EXPECT_THAT(fake.speech.spoken, ElementsAre("Abbandono del programma"));
    EXPECT_EQ(windows.key_polls, 1);
    EXPECT_EQ(fake.system.slept_ms, 0);
}

TEST_F(NoticeWindow, NoTimeOutWaitsForAKeyHoweverLong) {
    fake.system.clock = {0, 1000, 50000};
    windows.keys.assign(200, "");
    windows.keys.push_back(keys::kDown);
    EXPECT_EQ(notice("un tasto...", 0), keys::kDown);
    EXPECT_EQ(windows.key_polls, 201);
    EXPECT_THAT(fake.speech.spoken, IsEmpty());
}

TEST_F(NoticeWindow, ATimeOutRunningPastMidnightStillEnds) {
    fake.system.clock = {86399, 0.5, 3};
    EXPECT_EQ(notice("mezzanotte", 2), "");
    EXPECT_EQ(windows.key_polls, 2);
}

TEST_F(NoticeWindow, WithoutADisplayTheNoticeIsAConsoleBoxThatLeavesNoTrace) {
    MemoryConsole console({80, 25});
    console.write("sotto");
    ConsoleBoxWindows boxes(console);
    FakePlatform& f = fake;
    Platform platform{console, f.system, f.fault, f.speech, f.printers, f.images, boxes, f.fonts};
    console.push_key("q");
    const std::string before = console.screen_text();
    EXPECT_EQ(FUN_AVVI(platform, "", "un tasto...", 0, 14, "", 1, 0, 0), "q");
    EXPECT_EQ(console.screen_text(), before);
}

}  // namespace
}  // namespace posteri

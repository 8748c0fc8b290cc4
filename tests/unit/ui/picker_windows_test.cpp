// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/picker_windows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;

TEST(PickerWindows, HelpPageIsCentredInTheWorkAreaAndWaitsForAKey) {
    FakePlatform fake;
    fake.system.clock = {3723.9};
    fake.windows.keys = {"", "", "x"};
    HELP_ALO(fake.platform());
    const std::vector<std::string>& calls = fake.windows.calls;
    ASSERT_EQ(calls.size(), 16u);
    // The longest line has 56 characters; a character is 10 x 20 pixels in the fake.
    EXPECT_EQ(calls[0], "open 1 675 400 570 240 |  Aiuto per questa finestra|");
    EXPECT_EQ(calls[1], "clear 1 ffc8c8");
    EXPECT_EQ(calls[2], "text 1 0 0 lucida console 10 0 000000 |  |");
    EXPECT_EQ(calls[4],
              "text 1 0 40 lucida console 10 0 000000 |  o ricercare il record scrivendo parzialmente il|");
    EXPECT_EQ(calls[12],
              "text 1 0 200 lucida console 10 0 000000 |  Esc o Enter per uscire ora dall'aiuto 01:02:03|");
    EXPECT_EQ(calls[13], "present 1");
    EXPECT_EQ(calls[15], "close 1");
    EXPECT_EQ(fake.windows.key_polls, 3);
    EXPECT_EQ(fake.system.slept_ms, 50);
}

TEST(PickerWindows, RecordCardShowsOneLinePerBarAndStaysOpen) {
    FakePlatform fake;
    const WindowHandle card = VIEW_ALO(fake.platform(), "Nome\xB3Valore lungo");
    EXPECT_THAT(fake.windows.calls,
                ElementsAre("open 1 895 500 130 40 lingering | |", "clear 1 dbdbdb",
                            "text 1 0 0 lucida console 10 0 000000 on e5e5e5 |Nome|",
                            "text 1 0 20 lucida console 10 0 000000 on e5e5e5 |Valore lungo|", "present 1"));
    EXPECT_EQ(card, 1);
    EXPECT_EQ(fake.windows.open_windows.size(), 1u);
}

TEST(PickerWindows, APickersRecordCardReplacesTheOneBefore) {
    FakePlatform fake;
    RecordCard card;
    card.show(fake.platform(), "uno");
    card.show(fake.platform(), "due");
    EXPECT_EQ(fake.windows.open_windows.size(), 1u);
    EXPECT_TRUE(fake.windows.open_windows.contains(2));
}

}  // namespace
}  // namespace posteri

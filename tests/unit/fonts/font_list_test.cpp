// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts/font_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;

TEST(FontList, LeavesOutUselessFacesAddsTheSampleAndSortsWithAToZAsUpperCase) {
    FakePlatform fake;
    fake.fonts.names = {"Cambria",      "@MS Mincho", "MS Mincho",     "   ",          "",
                        "Swiss 721 BT", "Zurich721",  "Cambria Math",  "cambria math", " @Gulim",
                        "arial",        "Arial Black", "\xC9lan",      "DejaVu Sans",  "DejaVu Sans Condensed",
                        " Padded "};
    std::vector<std::string> list{"old", "entries"};
    std::int32_t count = 7;
    LEGGIFON(fake.platform(), list, count);
    // A longer name sorts before its own start, as a space comes before the comma; "\xC9" (an
    // accented capital) sorts by its code, after every ASCII letter.
    EXPECT_THAT(list, ElementsAre("", " Padded , ABC abc 1234567890", "Arial Black, ABC abc 1234567890",
                                  "arial, ABC abc 1234567890", "cambria math, ABC abc 1234567890",
                                  "Cambria, ABC abc 1234567890", "DejaVu Sans Condensed, ABC abc 1234567890",
                                  "DejaVu Sans, ABC abc 1234567890", "MS Mincho, ABC abc 1234567890",
                                  "\xC9lan, ABC abc 1234567890"));
    EXPECT_EQ(count, 9);
}

TEST(FontList, NothingInstalledGivesAnEmptyList) {
    FakePlatform fake;
    std::vector<std::string> list{"", "stale"};
    std::int32_t count = 1;
    LEGGIFON(fake.platform(), list, count);
    EXPECT_THAT(list, ElementsAre(""));
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/reading.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/run_operations.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct CleaningCase {
    std::string text;
    std::string replaced;  // what the caller's text holds afterwards
    std::string cleaned;   // what RIPULISC returns
};

class CleaningTest : public ::testing::TestWithParam<CleaningCase> {};

TEST_P(CleaningTest, ReplacesInOrderAndCutsRunsOfSpacesInTheResultOnly) {
    std::string text = GetParam().text;
    EXPECT_EQ(RIPULISC(text), GetParam().cleaned);
    EXPECT_EQ(text, GetParam().replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Reading, CleaningTest,
    ::testing::Values(CleaningCase{"Perche' no... piu'", "Perch\xE8 no. pi\xF9", "Perch\xE8 no. pi\xF9"},
                      CleaningCase{"cosi' e' la' pero'", "cos\xEC \xE8 l\xE0 pero'",
                                   "cos\xEC \xE8 l\xE0 pero'"},
                      CleaningCase{"macchinando", "macchinand\xF3", "macchinand\xF3"},
                      CleaningCase{"a  b   c", "a  b   c", "a b c"}, CleaningCase{"  a  ", "  a  ", " a "},
                      // Five dots: the first three become one, the last two stay.
                      CleaningCase{".....", "...", "..."}, CleaningCase{"", "", ""}));

class ReadingAloudTest : public ::testing::Test {
  protected:
    void read(std::string text) {
        LEGGI_TE(fake.platform(), text);
        result = text;
    }
    const std::vector<std::string>& spoken() const { return fake.speech.spoken; }

    FakePlatform fake;
    std::string result;
};

TEST_F(ReadingAloudTest, EachPieceBetweenDotsIsSpokenWithADotAdded) {
    read("Un poster per i posteri.");
    EXPECT_THAT(spoken(), ElementsAre("Un poster per i posteri.", "."));
}

TEST_F(ReadingAloudTest, ATextWithoutDotsIsOneSentence) {
    read("Fatto!");
    EXPECT_THAT(spoken(), ElementsAre("Fatto!."));
}

TEST_F(ReadingAloudTest, AnEmptyTextSpeaksADot) {
    read("");
    EXPECT_THAT(spoken(), ElementsAre("."));
}

TEST_F(ReadingAloudTest, SpeaksAndLeavesTheCleanedText) {
    read("Perche'   no... piu'");
    EXPECT_EQ(result, "Perch\xE8 no. pi\xF9");
    EXPECT_THAT(spoken(), ElementsAre("Perch\xE8 no.", " pi\xF9."));
}

TEST_F(ReadingAloudTest, AKeyPressedDuringASentenceStopsAfterItAndIsUsedUp) {
    fake.speech.while_speaking = [this] {
        if (fake.speech.spoken.size() == 1) fake.console.push_key("k");
    };
    read("Uno. Due. Tre");
    EXPECT_THAT(spoken(), ElementsAre("Uno."));
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(ReadingAloudTest, AKeyAlreadyWaitingStopsEverything) {
    fake.console.push_key("k");
    read("Uno. Due.");
    EXPECT_THAT(spoken(), IsEmpty());
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(ReadingAloudTest, KeysTypedOnlyWhenAskedForAreLeftAlone) {
    fake.console.push_pause();
    fake.console.push_key("k");
    read("Uno. Due");
    EXPECT_THAT(spoken(), ElementsAre("Uno.", " Due."));
    EXPECT_EQ(fake.console.read_key(), "k");
}

struct SetupCase {
    std::string options;
    WindowMenu kept;
};

class ConsoleSetupTest : public ::testing::TestWithParam<SetupCase> {};

TEST_P(ConsoleSetupTest, FillsTheDisplayKeepsTheNamedMenuItemsAndHidesTheCursor) {
    FakePlatform fake;
    fake.console.set_largest_size({238, 62});
    FUN_FULL(fake.platform(), GetParam().options);
    EXPECT_EQ(fake.console.size(), (ScreenSize{238, 62}));
    EXPECT_FALSE(fake.console.cursor_visible());
    ASSERT_TRUE(fake.console.maximised().has_value());
    EXPECT_EQ(*fake.console.maximised(), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(ConsoleSetup, ConsoleSetupTest,
                         ::testing::Values(SetupCase{"close on", {false, false, true}},
                                           SetupCase{"CLOSE ON", {false, false, true}},
                                           SetupCase{"", {false, false, false}},
                                           SetupCase{"   ", {false, false, false}},
                                           SetupCase{"MAXIMIZE ON MINIMIZE ON CLOSE ON", {true, true, true}},
                                           SetupCase{"xmaximize onx, close off", {true, false, false}}));

}  // namespace
}  // namespace posteri

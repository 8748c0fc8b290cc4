// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "support/fake_platform.h"
#include "ui/failure.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Operation = FakeSystem::Operation;

const std::string kDefaultFile =
    "a.px_cm              = 3.2\r\n"
    "a.py_cm              = 3.2\r\n"
    "a.larghezza_cm       = -3.2\r\n"
    "a.altezza_cm         = -5.8\r\n"
    "a.autocentra         = 0\r\n"
    "a.fits               = 3\r\n"
    "a.testo1             = MAXI_STAMPA\r\n"
    "a.testo2             = GALMINI OTTAVIANO\r\n"
    "a.testo3             = 2017\r\n"
    "a.nomefont           = ar bonnie\r\n"
    "a.tipoautore         = 1, Zelmo e Zolmo\r\n"
    "a.logorroico         = si, parlo\r\n";

PosterSettings default_settings() {
    PosterSettings s;
    s.px_cm = 3.2f;
    s.py_cm = 3.2f;
    s.larghezza_cm = -3.2f;
    s.altezza_cm = -5.8f;
    s.autocentra = 0;
    s.fits = 3;
    s.testo1 = "MAXI_STAMPA";
    s.testo2 = "GALMINI OTTAVIANO";
    s.testo3 = "2017";
    s.nomefont = "ar bonnie";
    s.tipoautore = "1, Zelmo e Zolmo";
    s.logorroico = "si";
    return s;
}

std::string padded(std::string_view text, std::size_t width) {
    std::string out(text);
    out.resize(width, ' ');
    return out;
}

// The notice for failure `number` with `description` while `routine` was running.
std::string notice_about(int number, std::string_view description, std::string_view routine) {
    return "#" + std::to_string(number) + " (" + std::string(description) +
           ")\nhas occurred following execution of " + std::string(routine);
}

class SettingsFiles : public ::testing::Test {
protected:
    PosterSettings load(std::string_view file_text, PosterSettings settings = {}) {
        fake.system.files["impostazioni.log"] = file_text;
        SCP_DEFA(platform, settings);
        return settings;
    }
    std::string save(const PosterSettings& settings) {
        SCP_SALV(platform, "impostazioni.log", settings, 0);
        return fake.system.files["impostazioni.log"];
    }
    std::size_t count_calls(Operation operation) const {
        std::size_t n = 0;
        for (const auto& call : fake.system.calls) n += call.operation == operation;
        return n;
    }

    FakePlatform fake;
    Platform& platform = fake.platform();
};

using SettingsDefaults = SettingsFiles;

TEST_F(SettingsDefaults, MissingFileIsCreatedWithTheTwelveLinesAndLoaded) {
    PosterSettings settings;
    SCP_DEFA(platform, settings);
    EXPECT_EQ(fake.system.files["impostazioni.log"], kDefaultFile);
    EXPECT_EQ(settings, default_settings());
    EXPECT_EQ(settings.logorroico.view(), "si");
    EXPECT_TRUE(fake.fault.notices.empty());
}

TEST_F(SettingsDefaults, EmptyFileIsGivenTheDefaultsLikeAMissingOne) {
    EXPECT_EQ(load(""), default_settings());
    EXPECT_EQ(fake.system.files["impostazioni.log"], kDefaultFile);
}

TEST_F(SettingsDefaults, ExistingFileIsOnlyReadNumbersNotInItKeepTheirValuesTextsTakeTheirDefaults) {
    PosterSettings before;
    before.px_cm = 7;
    before.testo2 = "resto";
    const PosterSettings after = load("a.fits = 1\r\na.testo3 = 2024\r\n", before);
    EXPECT_EQ(after.fits, 1);
    EXPECT_EQ(after.px_cm, 7);
    EXPECT_EQ(after.testo2.view(), padded("GALMINI OTTAVIANO", 64));
    EXPECT_EQ(after.testo3.view(), padded("2024", 64));
    EXPECT_EQ(fake.system.files["impostazioni.log"], "a.fits = 1\r\na.testo3 = 2024\r\n");
    EXPECT_EQ(count_calls(Operation::ReplaceFile), 0u);
}

// A fresh record's text fields are NUL characters until a line sets them; none may reach a file.
TEST_F(SettingsDefaults, FileMissingTheTextLinesNeverLeadsToNulBytesInTheSavedFiles) {
    for (const std::string file : {"\r\n", "a.fits = 1"}) {
        PosterSettings settings = load(file);
        settings.nomefile = "foto.jpg";
        settings.nomestampante = "pdfcreator A4";
        SCP_SALV(platform, "fulllog.log", settings, 1);
        for (const std::string& saved : {save(settings), fake.system.files["fulllog.log"]}) {
            EXPECT_EQ(saved.find('\0'), std::string::npos) << "after a file of " << file;
            EXPECT_THAT(saved, HasSubstr("a.testo2             = " + padded("GALMINI OTTAVIANO", 64)));
            EXPECT_THAT(saved, HasSubstr("a.tipoautore         = " + padded("1, Zelmo e Zolmo", 64)));
            EXPECT_THAT(saved, HasSubstr("a.logorroico         = si\r\n"));
        }
        EXPECT_EQ(settings.fits, file == "\r\n" ? 0 : 1);
        fake.system.files.erase("fulllog.log");
    }
}

using SettingsLoad = SettingsFiles;

TEST_F(SettingsLoad, KeyAndValueAreCutAtTheFirstAndSecondEquals) {
    PosterSettings before;
    before.px_cm = 5;
    before.py_cm = 5;
    EXPECT_EQ(load("a.px_cm\r\n", before).px_cm, 0) << "no '=' reads as 0";
    EXPECT_EQ(load("x = a.py_cm\r\n", before).py_cm, 5) << "the key must stand before the first '='";
    EXPECT_EQ(load("a.testo1 = A=B\r\n").testo1.view(), padded("A", 64));
    EXPECT_EQ(load("  [a.fits]  = 2\r\n").fits, 2) << "the key may stand anywhere in the key part";
}

TEST_F(SettingsLoad, NumbersAreReadUpToTheFirstCharacterThatIsNoPartOfThem) {
    const std::pair<std::string, float> cases[] = {
        {" 3.2 ", 3.2f}, {"-3.2 ", -3.2f}, {" .5", 0.5f},          {"+4", 4},  {" 1.5E+1xyz", 15},
        {"2e", 2},       {"7.e1", 70},     {"12,5", 12},           {"abc", 0}, {"", 0},
        {"- 3", 0},      {"1e-400", 0},    {" -.25e-2", -0.0025f},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(load("a.larghezza_cm =" + value + "\r\n").larghezza_cm, expected)
            << "value «" << value << "»";
    }
}

TEST_F(SettingsLoad, IntegersRoundHalfToEven) {
    EXPECT_EQ(load("a.fits = 2.5\r\n").fits, 2);
    EXPECT_EQ(load("a.fits = 3.5\r\n").fits, 4);
    EXPECT_EQ(load("a.fits = -2.5\r\n").fits, -2);
    EXPECT_EQ(load("a.autocentra = 0.5\r\n").autocentra, 0);
    EXPECT_EQ(load("a.autocentra = 0.51\r\n").autocentra, 1);
}

TEST_F(SettingsLoad, NumberTooLargeForItsFieldIsAnOverflowAndTheFieldKeepsItsValue) {
    PosterSettings before;
    before.px_cm = 1;
    before.fits = 2;
    const PosterSettings after =
        load("a.px_cm = 1e39\r\na.fits = 3e9\r\na.py_cm = 1e999\r\na.altezza_cm = -2\r\n", before);
    EXPECT_EQ(after.px_cm, 1);
    EXPECT_EQ(after.fits, 2);
    EXPECT_EQ(after.altezza_cm, -2) << "the lines after the failures are still read";
    ASSERT_EQ(fake.fault.notices.size(), 3u);
    for (const std::string& notice : fake.fault.notices) {
        EXPECT_THAT(notice, HasSubstr(notice_about(6, "Overflow", "SCP_DEFA")));
    }
}

TEST_F(SettingsLoad, TextsAreTrimmedAndCutToTheirField) {
    const std::string long_text(70, 'x');
    const PosterSettings s =
        load("a.testo1 =   " + long_text + "  \r\na.logorroico = no thanks\r\na.testo3 =  \r\n");
    EXPECT_EQ(s.testo1.view(), std::string(64, 'x'));
    EXPECT_EQ(s.logorroico.view(), "no");
    EXPECT_EQ(s.testo3.view(), std::string(64, ' '));
}

TEST_F(SettingsLoad, LastOccurrenceWinsAndUnloadedKeysAreIgnored) {
    const PosterSettings s = load("a.py_cm = 1\r\na.nomefile = foto.jpg\r\n" + std::string(80, '-') +
                                  "\r\nrubbish\r\na.py_cm = 2\r\n");
    EXPECT_EQ(s.py_cm, 2);
    EXPECT_EQ(s.nomefile, PosterSettings{}.nomefile);
}

TEST_F(SettingsLoad, LfCrAndCrLfEachEndOneLineAndTheLastLineNeedsNoEnd) {
    const PosterSettings s = load("a.px_cm = 1\na.py_cm = 2\ra.fits = 1\r\n\r\na.autocentra = 1");
    EXPECT_EQ(s.px_cm, 1);
    EXPECT_EQ(s.py_cm, 2);
    EXPECT_EQ(s.fits, 1);
    EXPECT_EQ(s.autocentra, 1);
}

TEST_F(SettingsLoad, Utf8LinesAreReadAsWindows1252AndCutAfterConversion) {
    std::string many_e_grave;
    for (int i = 0; i < 70; ++i) many_e_grave += "\xC3\xA8";
    const PosterSettings s = load(
        "a.testo1 = Perch\xC3\xA9 cos\xC3\xAC\n"
        "a.testo2 = Smile \xE2\x98\xBA ok\n"
        "a.testo3 = caff\xE8\n"
        "a.tipoautore = " +
        many_e_grave + "\n");
    EXPECT_EQ(s.testo1.view(), padded("Perch\xE9 cos\xEC", 64));
    EXPECT_EQ(s.testo2.view(), padded("Smile ? ok", 64));
    EXPECT_EQ(s.testo3.view(), padded("caff\xE8", 64)) << "a Windows-1252 line stays as it is";
    EXPECT_EQ(s.tipoautore.view(), std::string(64, '\xE8'));
}

TEST_F(SettingsLoad, NulBytesAreOrdinaryCharacters) {
    const PosterSettings s = load(std::string("a.testo1 = A\0B\r\na.fits = 2\r\n", 28));
    EXPECT_EQ(s.testo1.view().substr(0, 4), std::string("A\0B ", 4));
    EXPECT_EQ(s.fits, 2);
}

using SettingsSave = SettingsFiles;

TEST_F(SettingsSave, FileHoldsFourteenFieldLinesAndTheDashLine) {
    PosterSettings s = default_settings();
    s.nomefile = "foto.jpg";
    s.nomestampante = "pdfcreator A4";
    const std::string lines[] = {
        "a.px_cm              = 3.2 ",
        "a.py_cm              = 3.2 ",
        "a.larghezza_cm       =-3.2 ",
        "a.altezza_cm         =-5.8 ",
        "a.autocentra         = 0 ",
        "a.fits               = 3 ",
        "a.nomefile           = " + padded("foto.jpg", 254),
        "a.testo1             = " + padded("MAXI_STAMPA", 64),
        "a.testo2             = " + padded("GALMINI OTTAVIANO", 64),
        "a.testo3             = " + padded("2017", 64),
        "a.nomefont           = " + padded("ar bonnie", 64),
        "a.tipoautore         = " + padded("1, Zelmo e Zolmo", 64),
        "a.logorroico         = si",
        "a.nomestampante      = " + padded("pdfcreator A4", 64),
        std::string(80, '-'),
    };
    std::string expected;
    for (const std::string& line : lines) expected += line + "\r\n";
    EXPECT_EQ(save(s), expected);
}

TEST_F(SettingsSave, SavedRecordLoadsBackToTheSameParameters) {
    PosterSettings s = default_settings();
    s.px_cm = 0.5f;
    s.py_cm = 123456789.0f;
    s.larghezza_cm = -0.001f;
    s.autocentra = 1;
    s.fits = -2147483647;
    s.testo1 = "Perch\xE9 no = s\xEC?";
    s.testo2 = "";
    s.nomefile = "foto.jpg";
    const std::string file = save(s);
    EXPECT_THAT(file, HasSubstr("a.px_cm              = .5 \r\n"));
    EXPECT_THAT(file, HasSubstr("a.py_cm              = 1.234568E+8 \r\n"));

    PosterSettings loaded = load(file);
    EXPECT_EQ(loaded.px_cm, 0.5f);
    EXPECT_EQ(loaded.py_cm, 123456800.0f);
    EXPECT_EQ(loaded.larghezza_cm, -0.001f);
    EXPECT_EQ(loaded.fits, -2147483647);
    EXPECT_EQ(loaded.testo1.view(), padded("Perch\xE9 no ", 64)) << "text after a second '=' is lost";
    EXPECT_EQ(loaded.nomefile, PosterSettings{}.nomefile) << "the file name is never read back";
    loaded.testo1 = s.testo1.view();
    loaded.nomefile = s.nomefile.view();
    loaded.py_cm = s.py_cm;
    EXPECT_EQ(loaded, s);
}

TEST_F(SettingsSave, ReplacingAndAppendingEachWriteTheWholeRecordInOneCall) {
    const std::string record = save(default_settings());
    SCP_SALV(platform, "fulllog.log", default_settings(), 1);
    SCP_SALV(platform, "fulllog.log", default_settings(), -1);
    EXPECT_EQ(fake.system.files["fulllog.log"], record + record);
    EXPECT_EQ(count_calls(Operation::ReplaceFile), 1u);
    EXPECT_EQ(count_calls(Operation::AppendFile), 2u);
}

using SettingsFailures = SettingsFiles;

TEST_F(SettingsFailures, FailedReplaceKeepsTheOldFileAndTheRunGoesOnAfterOk) {
    fake.system.files["impostazioni.log"] = "vecchio";
    fake.system.fail(Operation::ReplaceFile, "impostazioni.log", EACCES);
    SCP_SALV(platform, "impostazioni.log", default_settings(), 0);
    EXPECT_EQ(fake.system.files["impostazioni.log"], "vecchio");
    ASSERT_EQ(fake.fault.notices.size(), 1u);
    EXPECT_THAT(fake.fault.notices[0], HasSubstr(notice_about(70, "Permission denied", "SCP_SALV")));
    EXPECT_STREQ(current_routine(), "") << "the routine's name is given back when it ends";

    fake.system.fail(Operation::AppendFile, "fulllog.log", ENOSPC);
    SCP_SALV(platform, "fulllog.log", default_settings(), 1);
    EXPECT_THAT(fake.fault.notices.back(), HasSubstr(notice_about(61, "Disk full", "SCP_SALV")));
}

TEST_F(SettingsFailures, DefaultFileThatCannotBeCreatedNorReadLeavesTheNumbersAndDefaultsTheTexts) {
    fake.system.fail(Operation::ReplaceFile, "impostazioni.log", EACCES);
    PosterSettings settings;
    SCP_DEFA(platform, settings);
    PosterSettings texts_only = default_settings();
    texts_only.px_cm = texts_only.py_cm = texts_only.larghezza_cm = texts_only.altezza_cm = 0;
    texts_only.fits = 0;
    EXPECT_EQ(settings, texts_only);
    ASSERT_EQ(fake.fault.notices.size(), 2u);
    EXPECT_THAT(fake.fault.notices[0], HasSubstr(notice_about(70, "Permission denied", "SCP_DEFA")));
    EXPECT_THAT(fake.fault.notices[1], HasSubstr(notice_about(53, "File not found", "SCP_DEFA")));
}

TEST_F(SettingsFailures, CancelEndsTheRunWithCode255) {
    fake.system.fail(Operation::AppendFile, "testo.log", EIO);
    fake.fault.answers.push_back(FaultAnswer::Cancel);
    try {
        SCP_APPE(platform, "testo.log", "Roma");
        FAIL() << "Cancel must end the run";
    } catch (const RunEnded& ended) {
        EXPECT_EQ(ended.exit_code, 255);
    }
    EXPECT_THAT(fake.fault.notices.at(0), HasSubstr(notice_about(57, "Device I/O error", "SCP_APPE")));
}

using SettingsTextList = SettingsFiles;

TEST_F(SettingsTextList, MissingListFileIsCreatedEmptyAndTheListIsUnchanged) {
    TextList list{"titolo"};
    std::int32_t count = 0;
    SCP_CARI(platform, "testo.log", list, count);
    EXPECT_EQ(fake.system.files.at("testo.log"), "");
    EXPECT_THAT(list, ElementsAre("titolo"));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(fake.fault.notices.empty());
}

TEST_F(SettingsTextList, LinesFollowTheCountAndEarlierEntriesStay) {
    fake.system.files["testo.log"] = "uno\r\ndue\n\r\ntr\xC3\xA9";
    TextList list{"titolo", "a", "b", "c"};
    std::int32_t count = 3;
    SCP_CARI(platform, "testo.log", list, count);
    EXPECT_THAT(list, ElementsAre("titolo", "a", "b", "c", "uno", "due", "", "tr\xE9"));
    EXPECT_EQ(count, 7);
}

TEST_F(SettingsTextList, LineBeforeIndexZeroIsASubscriptFailure) {
    fake.system.files["testo.log"] = "uno\r\ndue\r\n";
    TextList list;
    std::int32_t count = -2;
    SCP_CARI(platform, "testo.log", list, count);
    EXPECT_THAT(list, ElementsAre("due"));
    EXPECT_EQ(count, 0);
    ASSERT_EQ(fake.fault.notices.size(), 1u);
    EXPECT_THAT(fake.fault.notices[0],
                HasSubstr(notice_about(9, "Subscript/Pointer out of range", "SCP_CARI")));
}

TEST_F(SettingsTextList, ListFileThatCannotBeCreatedRaisesTwoNotices) {
    fake.system.fail(Operation::AppendFile, "testo.log", EACCES);
    TextList list{"titolo"};
    std::int32_t count = 0;
    SCP_CARI(platform, "testo.log", list, count);
    EXPECT_THAT(list, ElementsAre("titolo"));
    ASSERT_EQ(fake.fault.notices.size(), 2u);
    EXPECT_THAT(fake.fault.notices[1], HasSubstr(notice_about(53, "File not found", "SCP_CARI")));
}

TEST_F(SettingsTextList, AppendWritesTheUntrimmedTextUnlessItIsBlank) {
    SCP_APPE(platform, "testo.log", "   ");
    SCP_APPE(platform, "testo.log", "");
    EXPECT_FALSE(fake.system.files.contains("testo.log"));
    EXPECT_TRUE(fake.system.calls.empty());

    SCP_APPE(platform, "testo.log", " Roma ");
    SCP_APPE(platform, "testo.log", "Milano");
    EXPECT_EQ(fake.system.files["testo.log"], " Roma \r\nMilano\r\n");
    EXPECT_EQ(count_calls(Operation::AppendFile), 2u);
}

}  // namespace
}  // namespace posteri

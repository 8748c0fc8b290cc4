// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/settings_files.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(ParseRunArguments, ReadsTheCommandLineAsGnuToolsDo) {
    const struct {
        std::vector<std::string> arguments;
        RunAction action;
        std::optional<std::string> photo;
        std::string error;
    } cases[] = {
        {{}, RunAction::Run, std::nullopt, ""},
        {{"foto.jpg"}, RunAction::Run, "foto.jpg", ""},
        {{"-"}, RunAction::Run, "-", ""},
        {{"--", "-strana.jpg"}, RunAction::Run, "-strana.jpg", ""},
        {{"-h"}, RunAction::Help, std::nullopt, ""},
        {{"foto.jpg", "--help"}, RunAction::Help, std::nullopt, ""},
        {{"-V"}, RunAction::Version, std::nullopt, ""},
        {{"--version"}, RunAction::Version, std::nullopt, ""},
        {{"--foo"}, RunAction::Wrong, std::nullopt,
         "posteri: opzione sconosciuta \xC2\xAB--foo\xC2\xBB. Prova \xC2\xABposteri --help\xC2\xBB."},
        {{"-x\x1b]0;t\a"}, RunAction::Wrong, std::nullopt,
         "posteri: opzione sconosciuta \xC2\xAB-x?]0;t?\xC2\xBB. Prova \xC2\xABposteri --help\xC2\xBB."},
        {{"a.jpg", "b.jpg"}, RunAction::Wrong, std::nullopt,
         "posteri: una foto sola, non anche \xC2\xAB" "b.jpg\xC2\xBB. Prova \xC2\xABposteri --help\xC2\xBB."},
    };
    for (const auto& c : cases) {
        const RunCommand command = parse_run_arguments(c.arguments);
        EXPECT_EQ(command.action, c.action) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(command.photo, c.photo);
        EXPECT_EQ(command.error, c.error);
    }
    EXPECT_THAT(run_help_text(), StartsWith("uso: posteri [FOTO]\n"));
    EXPECT_THAT(version_text("posteri"), HasSubstr("(Versione 28062017)\n"));
}

TEST(ParseBatchArguments, TakesPhotoPrinterAndFolderAroundTheOptions) {
    BatchCommand command = parse_batch_arguments(
        {"--set", "fits=2abc", "foto.jpg", "--set", "testo1=  Caff\xC3\xA8 al bar  ", "pdfcreator A4", "lavoro"});
    ASSERT_EQ(command.action, BatchAction::Print) << command.error;
    EXPECT_EQ(command.photo, "foto.jpg");
    EXPECT_EQ(command.printer, "pdfcreator A4");
    EXPECT_EQ(command.workdir, "lavoro");
    ASSERT_EQ(command.assignments.size(), 2u);
    EXPECT_EQ(command.assignments[0].name, "fits");
    EXPECT_EQ(command.assignments[1].value, "  Caff\xE8 al bar  ");
    // An empty photo is the run's to refuse, as posteri refuses it.
    EXPECT_EQ(parse_batch_arguments({"", "pdfcreator A4"}).action, BatchAction::Print);
    // After "--" a name that looks like an option is a photo.
    command = parse_batch_arguments({"--", "--strana.jpg", "pdfcreator A4"});
    EXPECT_EQ(command.action, BatchAction::Print);
    EXPECT_EQ(command.photo, "--strana.jpg");
    // The editor's choices, the talkative mode read as the file keeps it, in 2 characters.
    command = parse_batch_arguments({"--set=fits=0", "--set", "logorroico=si, parlo", "foto.jpg", "pdfcreator A4"});
    ASSERT_EQ(command.action, BatchAction::Print) << command.error;
    EXPECT_EQ(command.assignments[0].value, "0");
    EXPECT_EQ(command.assignments[1].value, "si, parlo");
}

TEST(ParseBatchArguments, AnswersTheInformationOptionsWhereTheyStand) {
    EXPECT_EQ(parse_batch_arguments({"--help"}).action, BatchAction::Help);
    EXPECT_EQ(parse_batch_arguments({"-h"}).action, BatchAction::Help);
    EXPECT_EQ(parse_batch_arguments({"foto.jpg", "--version"}).action, BatchAction::Version);
    EXPECT_EQ(parse_batch_arguments({"-V"}).action, BatchAction::Version);
    EXPECT_EQ(parse_batch_arguments({"--list-printers"}).action, BatchAction::ListPrinters);
    EXPECT_THAT(batch_help_text(), HasSubstr("--set NOME=VALORE"));
    EXPECT_THAT(batch_help_text(), HasSubstr("logorroico"));
}

TEST(ParseBatchArguments, RefusesWhatACommandLineTypoWouldSilentlyChange) {
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"foto.jpg"}, "uso: posteri-batch"},
        {{"foto.jpg", "", "lavoro"}, "uso: posteri-batch"},
        {{"a", "b", "c", "d"}, "uso: posteri-batch"},
        {{"--colore", "a", "b"},
         "opzione sconosciuta \xC2\xAB--colore\xC2\xBB. Prova \xC2\xABposteri-batch --help\xC2\xBB."},
        {{"-x", "a", "b"}, "opzione sconosciuta \xC2\xAB-x\xC2\xBB."},
        {{"--set", "fits=9x", "a", "b"}, "fits vuole un numero da 0 a 3, non \"9x\""},
        {{"--set", "fits=-1", "a", "b"}, "fits vuole un numero da 0 a 3"},
        {{"--set", "fits=4", "a", "b"}, "fits vuole un numero da 0 a 3, non \"4\""},
        {{"--set", "autocentra=-1", "a", "b"}, "autocentra vuole un numero da 0 a 1"},
        {{"--set", "autocentra=2", "a", "b"}, "autocentra vuole un numero da 0 a 1, non \"2\""},
        {{"--set", "logorroico=forse", "a", "b"}, "logorroico vuole si o no, non \"forse\""},
        {{"--set", "logorroico=s", "a", "b"}, "logorroico vuole si o no"},
        {{"--set", "logorroico=SI", "a", "b"}, "logorroico vuole si o no"},
        {{"a", "b", "--set"}, "--set vuole NOME=VALORE"},
        {{"--set", "fits", "a", "b"}, "--set vuole NOME=VALORE, non fits"},
        {{"--set", "a.fits=2", "a", "b"}, "parametro sconosciuto: a.fits"},
        {{"--set", "nomefile=x.jpg", "a", "b"}, "parametro sconosciuto: nomefile"},
        {{"--set", "fits=abc", "a", "b"}, "fits vuole un numero, non \"abc\""},
        {{"--set", "px_cm=", "a", "b"}, "px_cm vuole un numero"},
        {{"--set", "px_cm=-.", "a", "b"}, "px_cm vuole un numero"},
        {{"--set", "fits=3e10", "a", "b"}, "il numero di fits \xC3\xA8 troppo grande"},
        {{"--set", "testo2=\xE6\x97\xA5\xE6\x9C\xAC", "a", "b"}, "il testo di testo2 ha un carattere"},
        {{"--set", "testo3=riga\nnuova", "a", "b"}, "il testo di testo3 ha un carattere"},
        {{"--set", "testo3=\xE8\r", "a", "b"}, "il testo di testo3 ha un carattere"},
        // A value repeated is cut after 60 characters.
        {{"--set", "fits=" + std::string(131072, 'x'), "a", "b"},
         "fits vuole un numero, non \"" + std::string(60, 'x') + "\xE2\x80\xA6\""},
    };
    for (const auto& c : cases) {
        const BatchCommand command = parse_batch_arguments(c.arguments);
        EXPECT_EQ(command.action, BatchAction::Wrong) << c.error;
        EXPECT_THAT(command.error, StartsWith("posteri-batch: " + c.error));
        EXPECT_EQ(command.error.find('\n'), std::string::npos);
    }
}

TEST(SetParameter, ReadsValuesAsTheSettingsFileDoes) {
    PosterSettings settings{};
    EXPECT_EQ(set_parameter(settings, "fits", " 2.5 volte"), ParameterOutcome::Set);
    EXPECT_EQ(settings.fits, 2);
    EXPECT_EQ(set_parameter(settings, "larghezza_cm", "-7.5cm"), ParameterOutcome::Set);
    EXPECT_FLOAT_EQ(settings.larghezza_cm, -7.5F);
    EXPECT_EQ(set_parameter(settings, "logorroico", " no grazie"), ParameterOutcome::Set);
    EXPECT_EQ(settings.logorroico.str(), "no");
    EXPECT_EQ(set_parameter(settings, "testo1", std::string(70, 'x')), ParameterOutcome::Set);
    EXPECT_EQ(settings.testo1.str(), std::string(64, 'x'));
    EXPECT_EQ(set_parameter(settings, "px_cm", "1e39"), ParameterOutcome::TooLarge);
    EXPECT_EQ(set_parameter(settings, "autocentra", "si"), ParameterOutcome::NoNumber);
    EXPECT_EQ(set_parameter(settings, "orientamento", "1"), ParameterOutcome::UnknownName);
    EXPECT_EQ(settings.px_cm, 0);
    EXPECT_EQ(settings.autocentra, 0);
}

}  // namespace
}  // namespace posteri

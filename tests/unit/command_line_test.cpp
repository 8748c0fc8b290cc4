#include "main/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/settings_files.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CommandLineAnswer, AnswersHelpAndVersionAndLeavesEverythingElseToTheRun) {
    EXPECT_THAT(command_line_answer({"--help"}).value_or(""), StartsWith("uso: posteri"));
    EXPECT_THAT(command_line_answer({"--version"}).value_or(""), HasSubstr("(Versione 28062017)\n"));
    for (const std::vector<std::string>& other : {std::vector<std::string>{}, {"foto.jpg"}, {"-h"}}) {
        EXPECT_FALSE(command_line_answer(other)) << ::testing::PrintToString(other);
    }
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
    // After "--" a name that looks like an option is a photo.
    command = parse_batch_arguments({"--", "--strana.jpg", "pdfcreator A4"});
    EXPECT_EQ(command.action, BatchAction::Print);
    EXPECT_EQ(command.photo, "--strana.jpg");
}

TEST(ParseBatchArguments, AnswersTheInformationOptionsWhereTheyStand) {
    EXPECT_EQ(parse_batch_arguments({"--help"}).action, BatchAction::Help);
    EXPECT_EQ(parse_batch_arguments({"foto.jpg", "--version"}).action, BatchAction::Version);
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
        {{"--colore", "a", "b"}, "opzione sconosciuta: --colore"},
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

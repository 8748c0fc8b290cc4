// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "main/run_operations.h"
#include "main/run_steps.h"
#include "settings/settings_files.h"
#include "support/fake_platform.h"
#include "ui/failure.h"

namespace posteri {
namespace {

using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using Operation = FakeSystem::Operation;

const SheetMetrics kA4{4961, 7016, 0, 0, 4961, 7016, 600, 600};
const std::string kPhoto = "/home/utente/mare.jpg";

// A run on fakes: one photo in the working folder, one PDF printer, the user's keys scripted.
class MainSequenceTest : public ::testing::Test {
protected:
    MainSequenceTest() {
        fake.system.files[kPhoto] = "jpeg";
        fake.printers.names = {"Ufficio", "pdfcreator A4"};
        fake.printers.sheet = kA4;
        fake.console.set_largest_size({120, 40});
    }

    void choose_photo(std::string_view name = "mare.jpg") {
        fake.console.push_text(name);
        fake.console.push_key(keys::kEnter);
    }
    // The orientation list highlights "2 Orizzontale" first; "1 Verticale" is the row above.
    void answer_orientation(std::string_view digit) {
        if (digit == "1") fake.console.push_key(keys::kUp);
        fake.console.push_key(keys::kEnter);
    }
    // The printer list: the PDF printers, then "Scelta della stampante" last.
    void choose_pdf_printer() { fake.console.push_keys({keys::kHome, keys::kEnter}); }
    void choose_print_dialog() { fake.console.push_keys({keys::kEnd, keys::kEnter}); }
    // Photo, orientation and the PDF printer, ready for the parameter step.
    void reach_parameters() {
        choose_photo();
        answer_orientation("1");
        choose_pdf_printer();
    }

    // The editor opens on its last, empty row: the "ok" row is the one above. Esc, typed once the
    // summary waits for it, closes the summary.
    void confirm_parameters() { fake.console.push_keys({keys::kUp, keys::kEnter}); }
    // The screen is kept as the user sees it before each key: the last is the summary window's.
    void confirm_and_close_summary() {
        confirm_parameters();
        fake.console.push_pause();
        fake.console.push_key(keys::kEsc);
        fake.console.before_read = [this] { summary_screen = screen(); };
    }

    void run() { run_main_sequence(fake.platform()); }
    bool has_file(const std::string& name) const { return fake.system.files.contains(name); }
    std::string screen() const { return fake.console.screen_text(); }

    FakePlatform fake;
    std::string summary_screen;
};

TEST_F(MainSequenceTest, CancelledPhotoChoiceEndsAfterTheTitleLine) {
    fake.console.push_key(keys::kEsc);
    run();
    EXPECT_THAT(screen(), HasSubstr("Scelta del file da posteriorizzare...Versione 28062017"));
    EXPECT_THAT(screen(), Not(HasSubstr("Hai scelto")));
    EXPECT_TRUE(fake.printers.calls.empty());
    EXPECT_FALSE(has_file("impostazioni.log"));
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(MainSequenceTest, PhotoGivenToTheRunIsTakenWithoutTheChooser) {
    answer_orientation("1");
    fake.console.push_keys({keys::kEsc, "x"});  // the printer list, the notice's key
    run_main_sequence(fake.platform(), kPhoto);
    EXPECT_THAT(screen(), Not(HasSubstr("Scegli il file")));
    EXPECT_THAT(screen(), HasSubstr("Hai scelto " + kPhoto + "."));
    EXPECT_EQ(fake.system.cwd, "/home/utente");
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(MainSequenceTest, TitleLineIsCentredInBrightWhite) {
    fake.console.push_key(keys::kEsc);
    run();
    // 120 columns, 54 characters: 33 spaces before.
    const std::string title = fake.console.row_text(2);
    EXPECT_EQ(title.find("Scelta"), 33u);
    EXPECT_EQ(fake.console.attr_at(2, 34), 15);
}

TEST_F(MainSequenceTest, NoPrinterShowsAndSpeaksTheNoticeThenEnds) {
    choose_photo();
    answer_orientation("2");
    fake.console.push_key(keys::kEsc);  // printer list
    fake.console.push_key("x");         // the notice's key
    run();
    EXPECT_THAT(fake.windows.calls, Contains(HasSubstr("|un tasto...|")));
    EXPECT_THAT(fake.speech.spoken, ElementsAre("Abbandono del programma"));
    EXPECT_THAT(screen(), HasSubstr("Orientamento della foto orizzontale"));
    EXPECT_FALSE(has_file("impostazioni.log"));
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(MainSequenceTest, EscInTheEditorEndsWithoutSavingOrPrinting) {
    reach_parameters();
    fake.console.push_key(keys::kEsc);
    run();
    EXPECT_TRUE(has_file("impostazioni.log"));  // created with the defaults on loading
    EXPECT_FALSE(has_file("fulllog.log"));
    EXPECT_THAT(fake.printers.calls, Not(Contains("end_job")));
}

TEST_F(MainSequenceTest, StarTwiceRecreatesTheSettingsFromTheDefaultsEachTime) {
    reach_parameters();
    fake.system.files["impostazioni.log"] = "a.px_cm = 7\r\n";
    fake.console.push_keys({"*", "*"});
    confirm_and_close_summary();
    run();
    int deletions = 0;
    for (const auto& call : fake.system.calls) {
        if (call.operation == Operation::DeleteFile && call.path == "impostazioni.log") ++deletions;
    }
    EXPECT_EQ(deletions, 2);
    EXPECT_THAT(fake.system.files["impostazioni.log"], HasSubstr("a.px_cm              = 3.2 \r\n"));
}

TEST_F(MainSequenceTest, NormalRunSavesPrintsAndShowsTheSummary) {
    reach_parameters();
    confirm_and_close_summary();
    run();
    const std::vector<std::string>& calls = fake.printers.calls;
    ASSERT_GE(calls.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 5),
                ElementsAre("list", "attach pdfcreator A4 | ", "release",
                            "attach pdfcreator A4 | /home/utente/marepdfcreator A4", "orientation portrait"));
    EXPECT_THAT(calls, Contains("text MAXI_STAMPA"));
    EXPECT_EQ(calls.back(), "end_job");
    EXPECT_THAT(fake.system.files["fulllog.log"], HasSubstr("a.nomestampante      = pdfcreator A4"));
    EXPECT_THAT(fake.system.files["impostazioni.log"], HasSubstr("a.nomefile           = " + kPhoto));
    EXPECT_THAT(screen(), HasSubstr("Larghezza del foglio  21.0 cm e altezza del foglio  29.7 cm"));
    EXPECT_THAT(screen(), HasSubstr("pdfcreator A4 : /home/utente/mare.jpg   "
                                    "Larghezza in pixel 4961  e altezza in pixel 7016 "));
    EXPECT_THAT(screen(), HasSubstr("\u00C8 un fatto fatto! Guarda il pdf. Puoi salvarlo se vuoi."));
    EXPECT_THAT(summary_screen, HasSubstr("Nome file                                : /home/utente/mare.jpg"));
    EXPECT_THAT(summary_screen, ContainsRegex("Orientamento {29}: +│"));
    EXPECT_THAT(summary_screen, HasSubstr("Dimensione xy della foto                 : 0 x 0 pixels"));
    EXPECT_THAT(summary_screen, HasSubstr("Nome della stampante                     : pdfcreator A4"));
    EXPECT_THAT(summary_screen, HasSubstr("Larghezza e altezza del foglio cartaceo  : 21.0 x 29.7 cm"));
    EXPECT_THAT(summary_screen, HasSubstr("Larghezza e altezza della stampa         : 4961 x 7016 pixels"));
    EXPECT_THAT(summary_screen, HasSubstr("Risoluzione di stampa xy                 : 600 x 600 dpi"));
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(MainSequenceTest, PdfWrittenByThePrinterIsNamedAfterTheJobLine) {
    fake.printers.outcome.pdf_path = "/home/utente/marepdfcreator A4.pdf";
    reach_parameters();
    confirm_and_close_summary();
    run();
    EXPECT_THAT(screen(), ContainsRegex("Altezza dello spazio per scrivere il testo 5.8 *\n"
                                        "PDF salvato in: /home/utente/marepdfcreator A4.pdf *\n"));
}

// A name's control characters are shown as '?', never obeyed by the terminal.
TEST_F(MainSequenceTest, PdfLineShowsControlCharactersAsQuestionMarks) {
    fake.printers.outcome.pdf_path = "/home/utente/\x1b[2J\r\bmare\x7fpdfcreator A4.pdf";
    reach_parameters();
    confirm_and_close_summary();
    run();
    EXPECT_THAT(screen(), HasSubstr("PDF salvato in: /home/utente/?[2J??mare?pdfcreator A4.pdf"));
}

TEST_F(MainSequenceTest, RunsEndingBeforeThePrintDetachThePrinter) {
    reach_parameters();
    fake.console.push_key(keys::kEsc);
    run();
    EXPECT_EQ(fake.printers.calls.back(), "release");
    EXPECT_THAT(screen(), Not(HasSubstr("PDF salvato")));
}

TEST_F(MainSequenceTest, LandscapeAnswerTurnsThePrinterAndItsSheet) {
    choose_photo();
    answer_orientation("2");
    choose_pdf_printer();
    fake.console.push_keys({keys::kEsc});
    run();
    EXPECT_THAT(fake.printers.calls, Contains("orientation landscape"));
    EXPECT_THAT(screen(), HasSubstr("Ricontrollo orientamento : orizzontale"));
}

TEST_F(MainSequenceTest, OrientationLeftWithEscPrintsPortraitAndNamesNoOrientation) {
    choose_photo();
    fake.console.push_key(keys::kEsc);  // orientation question
    choose_pdf_printer();
    fake.console.push_keys({keys::kEsc});
    run();
    EXPECT_THAT(fake.printers.calls, Contains("orientation portrait"));
    EXPECT_THAT(screen(), HasSubstr("Ricontrollo orientamento :  "));
}

TEST_F(MainSequenceTest, SystemPrintDialogAttachesWithTheNameUpToTheFirstDot) {
    choose_photo();
    answer_orientation("1");
    choose_print_dialog();
    fake.console.push_key(keys::kEnter);  // the dialog lists every printer, sorted: "Ufficio" comes first
    fake.console.push_keys({keys::kEsc});
    run();
    EXPECT_THAT(fake.printers.calls, Contains("attach Ufficio | /home/utente/mare"));
    EXPECT_THAT(screen(), HasSubstr("Ufficio : /home/utente/mare.jpg"));
}

TEST_F(MainSequenceTest, CancelledPrintDialogCountsAsNoPrinter) {
    choose_photo();
    answer_orientation("1");
    choose_print_dialog();
    fake.console.push_keys({keys::kEsc, "x"});
    run();
    EXPECT_THAT(fake.speech.spoken, ElementsAre("Abbandono del programma"));
    EXPECT_FALSE(has_file("impostazioni.log"));
}

TEST_F(MainSequenceTest, PrinterThatCannotBeAttachedRaisesTheNoticeThenEndsAsWithoutPrinter) {
    fake.printers.attach_result = 68;
    reach_parameters();
    fake.console.push_key("x");
    run();
    // Once for the printer's entry in the list, once for attaching it.
    ASSERT_EQ(fake.fault.notices.size(), 2u);
    EXPECT_THAT(fake.fault.notices[1], HasSubstr("Untrapped Error #68 (Device unavailable)"));
    EXPECT_THAT(fake.speech.spoken, ElementsAre("Abbandono del programma"));
}

TEST_F(MainSequenceTest, PhotoDeletedBeforePrintingShowsTheMessageAfterSavingBothFiles) {
    reach_parameters();
    confirm_and_close_summary();
    // The photo goes while the editor waits for its keys (Up, Enter, the pause and Esc still to come).
    fake.console.before_read = [this] {
        if (fake.console.keys_left() == 4) fake.system.files.erase(kPhoto);
    };
    run();
    EXPECT_THAT(screen(), HasSubstr("Non trovo il file /home/utente/mare.jpg... (un tasto)"));
    EXPECT_TRUE(has_file("fulllog.log"));
    EXPECT_TRUE(has_file("impostazioni.log"));
    EXPECT_THAT(fake.printers.calls, Not(Contains("end_job")));
    EXPECT_THAT(screen(), Not(HasSubstr("fatto fatto")));
}

TEST_F(MainSequenceTest, LogIsAppendedBeforeTheSettingsFileIsRewritten) {
    reach_parameters();
    confirm_and_close_summary();
    run();
    std::vector<std::string> writes;
    for (const auto& call : fake.system.calls) {
        if (call.operation == Operation::AppendFile || call.operation == Operation::ReplaceFile) {
            writes.push_back(call.path);
        }
    }
    EXPECT_THAT(writes, ElementsAre("impostazioni.log", "fulllog.log", "impostazioni.log"));
}

TEST_F(MainSequenceTest, SettingsFolderWithoutPermissionGivesTheNoticeAndOkGoesOn) {
    fake.system.fail(Operation::ReplaceFile, "impostazioni.log", EACCES);
    fake.system.fail(Operation::AppendFile, "fulllog.log", EACCES);
    reach_parameters();
    confirm_and_close_summary();
    run();
    ASSERT_GE(fake.fault.notices.size(), 2u);
    EXPECT_THAT(fake.fault.notices,
                Contains(HasSubstr("Untrapped Error #70 (Permission denied)\n"
                                   "has occurred following execution of SCP_SALV")));
    EXPECT_THAT(screen(), HasSubstr("fatto fatto"));
    EXPECT_THAT(fake.printers.calls, Contains("end_job"));
}

TEST_F(MainSequenceTest, CancelOnANoticeEndsTheRunWithExitCode255) {
    fake.system.fail(Operation::AppendFile, "fulllog.log", ENOSPC);
    fake.fault.answers = {FaultAnswer::Cancel};
    reach_parameters();
    confirm_parameters();
    try {
        run();
        FAIL() << "the run went on after Cancel";
    } catch (const RunEnded& ended) {
        EXPECT_EQ(ended.exit_code, 255);
    }
    EXPECT_THAT(fake.fault.notices[0], HasSubstr("#61 (Disk full)"));
    EXPECT_THAT(fake.printers.calls, Not(Contains("end_job")));
}

TEST_F(MainSequenceTest, PhotoFactsFillTheFirstFiveSummaryLines) {
    fake.images.photos[kPhoto] = PhotoFacts{3000, 2000, 300, 300};
    choose_photo();
    choose_pdf_printer();  // landscape photo: no orientation question
    confirm_and_close_summary();
    run();
    EXPECT_THAT(summary_screen, HasSubstr("Orientamento                             : orizzontale"));
    EXPECT_THAT(summary_screen, HasSubstr("Dimensione xy della foto                 : 3000 x 2000 pixels"));
    EXPECT_THAT(summary_screen, HasSubstr("Risoluzione xy                           : 300 x 300 dpi"));
    EXPECT_THAT(summary_screen, HasSubstr("Dimensione xy della foto                 : 25.4 x 16.9 cm"));
    EXPECT_THAT(fake.printers.calls, Contains("orientation landscape"));
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

// Summary line 5: 2.54 as a single, the sums in double; a photo that could not be read shows zeros.
struct PhotoLengthCase {
    std::optional<PhotoFacts> facts;
    const char* shown;
};

TEST(PhotoLengthLine, CentimetresRoundNearTiesAsThePageLayoutDoes) {
    const PhotoLengthCase cases[] = {
        {PhotoFacts{1800, 1200, 96, 96}, "47.6 x 31.7 cm"},
        {PhotoFacts{3000, 2000, 300, 300}, "25.4 x 16.9 cm"},
        {PhotoFacts{1000, 720, 72, 144}, "35.3 x 12.7 cm"},
        {std::nullopt, "0.0 x 0.0 cm"},
    };
    for (const PhotoLengthCase& c : cases) {
        FakePlatform fake;
        if (c.facts) fake.images.photos[kPhoto] = *c.facts;
        PosterSettings settings{};
        settings.nomefile = kPhoto;
        Summary summary;
        gather_photo_facts(fake.platform(), settings, summary);
        ASSERT_EQ(summary.n_riassunto, 5);
        EXPECT_EQ(summary.riassunto[5], "Dimensione xy della foto                 : " + std::string(c.shown));
    }
}

TEST_F(MainSequenceTest, SquarePhotoAsksButItsSummaryLineStaysEmpty) {
    fake.images.photos[kPhoto] = PhotoFacts{1000, 1000, 72, 72};
    reach_parameters();
    confirm_and_close_summary();
    run();
    EXPECT_THAT(summary_screen, ContainsRegex("Orientamento {29}: +│"));
    EXPECT_THAT(screen(), HasSubstr("Orientamento della foto verticale"));
}

// The closing words, each read as a sentence: "Fatto!" and a phrase drawn by the seeded generator, only in talkative mode.
struct ClosingCase {
    const char* tipoautore;
    const char* logorroico;
    double random;
    std::vector<std::string> spoken;
};

class ClosingWordsTest : public MainSequenceTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingWordsTest, SpeaksTheRightPhrases) {
    const ClosingCase& c = GetParam();
    fake.system.files["impostazioni.log"] =
        std::string("a.tipoautore = ") + c.tipoautore + "\r\na.logorroico = " + c.logorroico + "\r\n";
    fake.system.clock = {45296.789};
    fake.system.randoms = {c.random};
    reach_parameters();
    confirm_and_close_summary();
    run();
    EXPECT_EQ(fake.speech.spoken, c.spoken);
    EXPECT_THAT(fake.system.seeds, ElementsAre(45296.789));
}

INSTANTIATE_TEST_SUITE_P(
    MainSequence, ClosingWordsTest,
    ::testing::Values(ClosingCase{"1, Zelmo e Zolmo", "si", 0.0, {"Fatto!.", "bravo!."}},
                      ClosingCase{"1, ZELMO E ZOLMO.", "si", 0.99, {"Fatto!.", "ei,lucertolone!."}},
                      ClosingCase{"0, Visitor.", "si", 0.5, {"Fatto!.", "vecchiaccio!."}},
                      ClosingCase{"0, Visitor.", "si", 0.0, {"Fatto!.", "pirla!."}},
                      ClosingCase{"1, Zelmo e Zolmo", "no", 0.0, {}},
                      ClosingCase{"1, Zelmo e Zolmo", "si, parlo", 0.0, {"Fatto!.", "bravo!."}}));

// The photo's name up to its first dot, then the printer; dots in folders and padding do not count.
TEST(DocumentName, PhotoNameWithoutItsEndingThenThePrinter) {
    for (const auto& [photo, document] :
         {std::pair{"D:/foto/mare.jpg", "D:/foto/marePDFCreator"},
          std::pair{"/home/utente/foto.2017/mare.estate.jpg", "/home/utente/foto.2017/marePDFCreator"},
          std::pair{"/home/utente/mare", "/home/utente/marePDFCreator"},
          std::pair{"/home/utente/foto.2017/mare", "/home/utente/foto.2017/marePDFCreator"}}) {
        PosterSettings settings{};
        settings.nomefile = photo;
        EXPECT_EQ(document_name(settings, "PDFCreator"), document);
    }
}

TEST(SummaryLine, LabelIsPaddedTo40AndTheValueCutAtItsComma) {
    EXPECT_EQ(summary_line("Nome file,/foto/a,b.jpg"), "Nome file                                : /foto/a");
    EXPECT_EQ(summary_line("Orientamento,"), "Orientamento                             : ");
    EXPECT_EQ(summary_line("Larghezza e altezza del foglio cartaceo e ancora di piu,x"),
              "Larghezza e altezza del foglio cartaceo  : x");
    EXPECT_EQ(summary_line("senza virgola"), "senza virgola                            : ");
}

TEST(SummaryLine, LinesAreNumberedFromOneWithElementZeroLeftForTheTitle) {
    Summary summary;
    summary.add("a,1");
    summary.add("b,2");
    EXPECT_EQ(summary.n_riassunto, 2);
    ASSERT_EQ(summary.riassunto.size(), 3u);
    EXPECT_EQ(summary.riassunto[0], "");
    EXPECT_EQ(summary.riassunto[2].substr(40), " : 2");
}

}  // namespace
}  // namespace posteri

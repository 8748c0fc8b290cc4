// SPDX-License-Identifier: GPL-3.0-or-later
// The run's short dialogs over the sorting list picker: the orientation question, the printer list,
// the print dialog and the summary window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/run_operations.h"
#include "support/fake_platform.h"
#include "ui/console_text.h"

namespace posteri {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const SheetMetrics kA4{4961, 7016, 0, 0, 4961, 7016, 600, 600};
const Attribute kBlueOnWhite = attribute(kBlue, kWhite);

class RunDialogsTest : public ::testing::Test {
  protected:
    RunDialogsTest() {
        fake.console.set_largest_size({100, 30});
        fake.printers.sheet = kA4;
    }
    // The screen as the user saw it when the dialog read its last key.
    void keep_screen_before_each_key() {
        fake.console.before_read = [this] {
            shown = fake.console.screen_text();
            const ScreenSize size = fake.console.size();
            shown_cells = fake.console.read_cells({1, 1, size.rows, size.cols});
        };
    }
    Attribute shown_attr(CellPos at) const {
        return shown_cells[static_cast<std::size_t>((at.row - 1) * fake.console.size().cols + at.col - 1)].attr;
    }
    // Where a text stands on the screen seen last; {0, 0} when it is not there.
    CellPos shown_at(std::string_view text) const {
        std::size_t row = 1, start = 0;
        for (std::size_t end; (end = shown.find('\n', start)) != std::string::npos; ++row, start = end + 1) {
            const std::string line = shown.substr(start, end - start);
            const std::size_t at = line.find(text);
            if (at != std::string::npos) return {static_cast<int>(row), static_cast<int>(at) + 1};
        }
        return {0, 0};
    }

    FakePlatform fake;
    Platform& platform = fake.platform();
    std::string shown;
    std::vector<Cell> shown_cells;
};

TEST_F(RunDialogsTest, OrientationQuestionOffersLandscapeFirstAndReadsTheChosenNumber) {
    struct Case {
        std::vector<std::string> keys;
        std::int32_t answer;
    };
    const Case cases[] = {{{keys::kEnter}, 2},
                          {{keys::kUp, keys::kEnter}, 1},
                          {{"v", keys::kEnter}, 1},  // the search moved "1 Verticale" to the top
                          {{keys::kEsc}, 0},
                          {{keys::kF10}, 2}};
    for (const Case& c : cases) {
        fake.console.clear();
        for (const std::string& key : c.keys) fake.console.push_key(key);
        keep_screen_before_each_key();
        EXPECT_EQ(CHIEDI_O(platform), c.answer);
        EXPECT_EQ(fake.console.cursor(), (CellPos{2, 1})) << "the cursor goes back below the centred line";
    }
    EXPECT_THAT(fake.console.row_text(1), HasSubstr("La foto è quadrata, scegli come orientare il foglio cartaceo."));
    // The last case's screen: a plain top border with the title, blue on white, landscape highlighted.
    EXPECT_THAT(shown, HasSubstr("┌─────Quale orientamento?─────┐")) << shown;
    const CellPos portrait = shown_at("1 Verticale                  ");
    const CellPos landscape = shown_at("2 Orizzontale                ");
    ASSERT_NE(portrait.row, 0);
    EXPECT_EQ(landscape.row, portrait.row + 1);
    EXPECT_EQ(shown_attr(portrait), kBlueOnWhite);
    EXPECT_EQ(shown_attr(landscape), attribute(kWhite, kBlue));
}

TEST_F(RunDialogsTest, PrinterListShowsThePdfPrintersWithTheirSheetThenTheDialogEntry) {
    fake.printers.names = {"pdfcreator 2", "Ufficio", "PDFCreator", "Laser 2"};
    fake.console.push_keys({keys::kHome, keys::kEnter});
    keep_screen_before_each_key();
    std::string printer;
    EXPECT_EQ(FUN_SCELTA_STAMPANTE(platform, printer), "PDFCreator");
    EXPECT_EQ(printer, "PDFCreator");
    const std::string sizes = ",la  21.0 cm , al  29.7 cm";
    const CellPos first = shown_at("PDFCreator                           " + sizes);
    const CellPos second = shown_at("pdfcreator 2                         " + sizes);
    const CellPos dialog = shown_at("Scelta della stampante");
    ASSERT_NE(first.row, 0) << shown;
    EXPECT_EQ(second.row, first.row + 1);
    EXPECT_EQ(dialog.row, first.row + 2);
    EXPECT_THAT(shown, Not(HasSubstr("Ufficio")));
    // Each PDF printer is attached without a document to measure its sheet, and let go.
    EXPECT_THAT(fake.printers.calls, ElementsAre("list", "attach PDFCreator | ", "release", "attach pdfcreator 2 | ",
                                                 "release"));

    fake.printers.names = {"Ufficio"};
    fake.console.push_key(keys::kEnter);
    EXPECT_EQ(FUN_SCELTA_STAMPANTE(platform, printer), "Scelta della stampante");
    EXPECT_EQ(printer, "");
    fake.console.push_key(keys::kEsc);
    EXPECT_EQ(FUN_SCELTA_STAMPANTE(platform, printer), "");
}

// The entry's text may not name its printer: the chosen entry still attaches the one it was made from.
TEST_F(RunDialogsTest, ChosenEntryCarriesTheFullPrinterName) {
    const std::string forty = "pdfcreator con un nome di quaranta lett";
    const std::string comma = "pdfcreator, ufficio";
    const std::string seventy = "pdfcreator " + std::string(59, 'x');
    for (const std::string& name : {forty + "e", comma, seventy}) {
        fake.printers.names = {name};
        fake.console.push_keys({keys::kHome, keys::kEnter});
        std::string printer;
        const std::string shown_name = FUN_SCELTA_STAMPANTE(platform, printer);
        EXPECT_EQ(printer, name);
        EXPECT_EQ(shown_name, name.substr(0, std::min<std::size_t>(name.find(','), 36)));
    }
}

TEST_F(RunDialogsTest, PrinterThatCannotBeAttachedIsReportedAndShowsNoSize) {
    fake.printers.names = {"pdfcreator A4"};
    fake.printers.attach_result = 68;
    fake.console.push_key(keys::kEsc);
    keep_screen_before_each_key();
    std::string printer;
    FUN_SCELTA_STAMPANTE(platform, printer);
    ASSERT_EQ(fake.fault.notices.size(), 1u);
    EXPECT_THAT(fake.fault.notices[0], HasSubstr("#68 (Device unavailable)"));
    EXPECT_THAT(shown, HasSubstr(",la   0.0 cm , al   0.0 cm"));
}

// The print dialog: every printer in byte order, the default highlighted first, then the papers of a
// printer that takes several; Esc among the papers goes back, Esc among the printers attaches nothing.
TEST_F(RunDialogsTest, PrintDialogOffersEveryPrinterThenItsPapers) {
    fake.printers.names = {"pdfcreator A4", "Ufficio", "Laser"};
    fake.printers.papers["Ufficio"] = {{"A4", "iso_a4_210x297mm", 21000, 29700},
                                       {"A3", "iso_a3_297x420mm", 29700, 42000},
                                       {"", "custom_216x356mm", 21600, 35600}};
    struct Case {
        std::string default_printer;
        std::vector<std::string> keys;
        std::string attached;  // "" for nothing
    };
    const Case cases[] = {{"Ufficio", {keys::kEnter, keys::kDown, keys::kEnter}, "attach Ufficio | doc | iso_a3_297x420mm"},
                          {"", {keys::kEnter}, "attach Laser | doc"},
                          {"Ufficio", {keys::kEnter, keys::kEsc, keys::kEsc}, ""}};
    for (const Case& c : cases) {
        fake.printers.default_name = c.default_printer;
        fake.printers.calls.clear();
        for (const std::string& key : c.keys) fake.console.push_key(key);
        keep_screen_before_each_key();
        choose_printer_in_dialog(platform, "doc");
        const std::string last = fake.printers.calls.back();
        EXPECT_EQ(last.find("| doc") != std::string::npos ? last : "", c.attached);
        EXPECT_EQ(fake.console.keys_left(), 0u);
    }
    // The last case's screen: the printer list again, after Esc among the papers.
    const CellPos laser = shown_at("Laser ");
    ASSERT_NE(laser.row, 0) << shown;
    EXPECT_EQ(shown_at("Ufficio ").row, laser.row + 1);
    EXPECT_EQ(shown_at("pdfcreator A4 ").row, laser.row + 2);
    EXPECT_EQ(shown_attr(shown_at("Ufficio ")), attribute(kWhite, kBlue));

    fake.console.push_keys({keys::kEnter, keys::kDown, keys::kEnter});
    keep_screen_before_each_key();
    choose_printer_in_dialog(platform, "doc");
    EXPECT_THAT(shown, HasSubstr("Formato carta"));
    EXPECT_THAT(shown, HasSubstr("│A4         21.0 x 29.7 cm"));
    EXPECT_THAT(shown, HasSubstr("│21.6 x 35.6 cm           │"));
    EXPECT_EQ(shown_attr(shown_at("A3         29.7")), attribute(kWhite, kBlue));
}

TEST_F(RunDialogsTest, SummaryWindowClosesOnlyInThePickersOwnWaysAndGivesTheScreenBack) {
    Summary summary;
    summary.add("Nome file,/foto/mare.jpg");
    summary.add("Orientamento,verticale");
    fake.console.write("sotto");
    CellPos first{0, 0};
    for (const std::string& key : {keys::kEsc, keys::kEnter, keys::kMouseDoubleClick}) {
        TextList lines = summary.riassunto;
        fake.console.push_keys({keys::kF1, keys::kF5});
        if (is_mouse_event(key)) {
            fake.console.push_mouse(key, first.row, first.col);
        } else {
            fake.console.push_key(key);
        }
        keep_screen_before_each_key();
        RESOCONT(platform, lines, summary.n_riassunto);
        EXPECT_EQ(fake.console.keys_left(), 0u);
        EXPECT_EQ(lines[0], "Riassunto poster");
        EXPECT_EQ(lines[1], summary.riassunto[1] + std::string(20, ' '));
        EXPECT_THAT(shown, HasSubstr("Riassunto poster"));
        first = shown_at("Nome file                                : /foto/mare.jpg");
        ASSERT_NE(first.row, 0) << shown;
        EXPECT_EQ(shown_at("Orientamento                             : verticale").row, first.row + 1);
        EXPECT_THAT(fake.console.row_text(1), HasSubstr("sotto"));
        EXPECT_THAT(fake.console.screen_text(), Not(HasSubstr("Riassunto")));
    }
}

}  // namespace
}  // namespace posteri

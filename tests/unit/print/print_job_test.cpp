// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "main/run_operations.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kPhoto = "/foto/mare.jpg";

// A printer at 100 dots per cm with a 21 x 29.7 cm sheet, a 4000 x 3000 photo, and the settings of a
// poster whose box is given by margins.
class PrintJobTest : public ::testing::Test {
  protected:
    PrintJobTest() {
        fake.printers.attached = "pdfcreator A4";
        fake.printers.sheet = SheetMetrics{2100, 2970, 0, 0, 2100, 2970, 254, 254};
        fake.system.files[kPhoto] = "jpeg";
        fake.images.photos[kPhoto] = PhotoFacts{4000, 3000, 300, 300};
        settings.nomefile = kPhoto;
        settings.px_cm = 3.2f;
        settings.py_cm = 3.2f;
        settings.larghezza_cm = -3.2f;
        settings.altezza_cm = -5.8f;
        settings.altezza_testo_cm = 5.8f;
        settings.foglio_larghezza_cm = 19.6f;
        settings.foglio_altezza_cm = 28.4f;
        settings.punti_cm = 100.0f;
        settings.fits = 1;
        settings.nomefont = "Serif";
        settings.testo1 = " Mare ";
        settings.testo2 = "Zelmo";
        settings.testo3 = "2017";
    }

    void print() { SUB_STAM(fake.platform(), settings, summary); }

    // The calls from the photo on, after the title size has been measured.
    std::vector<std::string> drawing_calls() const {
        const auto& calls = fake.printers.calls;
        auto first = std::find(calls.begin(), calls.end(), "stretch");
        if (first == calls.end()) first = calls.end() - 13;
        return {first, calls.end()};
    }

    FakePlatform fake;
    PosterSettings settings{};
    Summary summary;
};

TEST_F(PrintJobTest, WithoutAnAttachedPrinterNothingHappens) {
    fake.printers.attached.clear();
    const PosterSettings before = settings;
    print();
    EXPECT_THAT(fake.printers.calls, IsEmpty());
    EXPECT_EQ(summary.n_riassunto, 0);
    EXPECT_EQ(settings, before);
    EXPECT_THAT(fake.console.screen_text(), Not(HasSubstr("Altezza")));
}

TEST_F(PrintJobTest, CentredConsoleLineAndTheFiveSummaryLines) {
    settings.nomefont = "Arial, Narrow";
    print();
    // 80 columns, 46 characters: 17 spaces before.
    EXPECT_EQ(fake.console.row_text(1),
              std::string(17, ' ') + "Altezza dello spazio per scrivere il testo 5.8" + std::string(17, ' '));
    ASSERT_EQ(summary.n_riassunto, 5);
    EXPECT_THAT(
        summary.riassunto,
        ElementsAre("",
                    "Posizione                                : a.pxcm       =+3.2 cm  a.pycm     =+3.2 cm",
                    "Dimensioni riquadro interno              : a.larghezzacm=-3.2 cm  a.altezzacm=-5.8 cm",
                    "Dimensioni riquadro interno reale        : a.larghezzacm= 13.2 cm  a.altezzacm= 19.4 cm",
                    std::string(40, ' ') + " : ", "Font usata                               : Arial"));
}

TEST_F(PrintJobTest, FontNameIsShownWithItsWholeField) {
    print();
    EXPECT_EQ(summary.riassunto[5],
              "Font usata                               : Serif" + std::string(59, ' '));
}

TEST_F(PrintJobTest, PhotoThenTheThreeLinesThenTheEndOfTheJob) {
    print();
    // Box 13.2 x 19.4 cm at (3.2, 3.2) cm; band 580 pixels: title 64, then 58 and 38 points.
    ASSERT_EQ(fake.printers.stretched.size(), 1u);
    EXPECT_EQ(fake.printers.stretched[0].source, (PixelRect{0, 0, 3999, 2999}));
    const DeviceRect& box = fake.printers.stretched[0].destination;
    EXPECT_NEAR(box.x1, 320, 1e-3);
    EXPECT_NEAR(box.y2, 320 + 1940, 1e-3);
    // Gap (5.8 - 4.8) / 2 cm: the title starts at (19.4 + 3.2 + 0.5) cm; the centre is 980 pixels.
    EXPECT_THAT(drawing_calls(),
                ElementsAre("stretch", "font Serif 64 bold", "colour 0", "move 852 2310", "text Mare",
                            "font Serif 58 bold", "colour 0", "move 835 2502", "text Zelmo",
                            "font Serif 38 bold", "colour 0", "move 904 2676", "text 2017", "end_job"));
    EXPECT_EQ(settings.y_testo_px, 2790);
}

TEST_F(PrintJobTest, EnteredBoxSizesAreKept) {
    print();
    EXPECT_EQ(settings.larghezza_cm, -3.2f);
    EXPECT_EQ(settings.altezza_cm, -5.8f);
}

TEST_F(PrintJobTest, MissingOrUndecodablePhotoPrintsOnlyTheText) {
    fake.images.undecodable.insert(kPhoto);
    print();
    EXPECT_THAT(fake.printers.stretched, IsEmpty());
    EXPECT_EQ(drawing_calls().back(), "end_job");
    EXPECT_EQ(drawing_calls().front(), "font Serif 64 bold");

    fake.printers.attached = "pdfcreator A4";
    fake.system.files.erase(kPhoto);
    fake.images.undecodable.clear();
    print();
    EXPECT_THAT(fake.printers.stretched, IsEmpty());
}

TEST_F(PrintJobTest, IncompletePhotoIsPrintedAndSaidSo) {
    print();
    EXPECT_THAT(fake.system.told, IsEmpty());
    fake.printers.attached = "pdfcreator A4";
    fake.images.incomplete.insert(kPhoto);
    print();
    EXPECT_EQ(fake.printers.stretched.size(), 2u);
    EXPECT_THAT(fake.system.told, ElementsAre("Foto incompleta: stampo la parte leggibile."));
}

TEST_F(PrintJobTest, FitModeOutsideTheFourDrawsNoPhoto) {
    settings.fits = 5;
    print();
    EXPECT_THAT(fake.printers.stretched, IsEmpty());
    EXPECT_EQ(drawing_calls().back(), "end_job");
}

TEST_F(PrintJobTest, JobThatCannotBeEndedRaisesTheNotice) {
    fake.printers.end_job_result = 57;
    print();
    ASSERT_EQ(fake.fault.notices.size(), 1u);
    EXPECT_THAT(fake.fault.notices[0],
                HasSubstr("#57 (Device I/O error)\nhas occurred following execution of SUB_STAM"));
}

}  // namespace
}  // namespace posteri

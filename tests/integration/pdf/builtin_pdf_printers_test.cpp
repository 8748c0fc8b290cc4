// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in PDF printers, checked on the files they write with poppler and qpdf: their sheets,
// their files, and the text on their pages.
#include "integration/pdf/builtin_printers_fixture.h"

namespace posteri {
namespace {

using namespace posteri::testing;

TEST_F(BuiltinPdfPrintersTest, ListsTheIsoSheetsFirstAndRefusesUnknownNames) {
    const std::vector<std::string> names = printers_.list();
    ASSERT_GE(names.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 10),
              (std::vector<std::string>{"pdfcreator A4", "pdfcreator A3", "pdfcreator A2", "pdfcreator A1",
                                        "pdfcreator A0", "pdfcreator A0 su A4", "pdfcreator A1 su A4",
                                        "pdfcreator A2 su A4", "pdfcreator A0 su A3", "pdfcreator A1 su A3"}));
    EXPECT_EQ(printers_.own_printer("PDFCreator a0 SU a4"), "pdfcreator A0 su A4");
    EXPECT_EQ(printers_.own_printer("pdfcreator A5"), "");
    EXPECT_EQ(printers_.attach("pdfcreator A5", "foto"), 68);
    EXPECT_EQ(printers_.attached_name(), "");
    EXPECT_EQ(printers_.metrics(), SheetMetrics{});
}

TEST_F(BuiltinPdfPrintersTest, SheetsAreIsoMillimetresAt600DpiAndLandscapeSwapsThem) {
    ASSERT_EQ(printers_.attach("pdfcreator A4", "foto"), 0);
    EXPECT_EQ(printers_.metrics(), (SheetMetrics{4961, 7016, 0, 0, 4961, 7016, 600, 600}));
    printers_.set_orientation(PageOrientation::Landscape);
    EXPECT_EQ(printers_.metrics(), (SheetMetrics{7016, 4961, 0, 0, 7016, 4961, 600, 600}));
    ASSERT_EQ(printers_.attach("pdfcreator A0", "foto"), 0);
    EXPECT_EQ(printers_.metrics().physical_width, 19866);   // 841 mm: 19866.14...
    EXPECT_EQ(printers_.metrics().physical_height, 28087);  // 1189 mm: 28086.61...
    printers_.release();
    EXPECT_EQ(printers_.attached_name(), "");
    EXPECT_TRUE(folder_names().empty()) << "a released printer writes nothing";
}

TEST_F(BuiltinPdfPrintersTest, PageSizeFollowsTheSheetAndTitleIsTheDocumentName) {
    const fs::path a4 = print("pdfcreator A4", "/home/anna/foto/marepdfcreator A4", nothing);
    EXPECT_EQ(a4, dir_ / "marepdfcreator A4.pdf");
    const std::string info = run("pdfinfo " + quoted(a4)).output;
    EXPECT_NE(info.find("595.32 x 841.92 pts"), std::string::npos) << info;
    EXPECT_NE(info.find(" /home/anna/foto/marepdfcreator A4\n"), std::string::npos) << info;
    EXPECT_EQ(run("qpdf --check " + quoted(a4) + " >/dev/null").status, 0);

    const fs::path a3 = print("pdfcreator A3", "vista", nothing, PageOrientation::Landscape);
    EXPECT_NE(run("pdfinfo " + quoted(a3)).output.find("1190.52 x 841.92 pts"), std::string::npos);
}

TEST_F(BuiltinPdfPrintersTest, NeverWritesOverAnExistingFileAndLeavesNoTemporaryFile) {
    std::ofstream(dir_ / "foto.pdf") << "mine";
    EXPECT_EQ(print("pdfcreator A4", "/a/foto", nothing), dir_ / "foto (1).pdf");
    EXPECT_EQ(print("pdfcreator A4", "/b/foto", nothing), dir_ / "foto (2).pdf");
    EXPECT_EQ(file_content(dir_ / "foto.pdf"), "mine");
    EXPECT_EQ(folder_names(), (std::vector<std::string>{"foto (1).pdf", "foto (2).pdf", "foto.pdf"}));
}

// The file system gets UTF-8; the program is told the path in its own Windows-1252.
TEST_F(BuiltinPdfPrintersTest, AccentedDocumentNamesBecomeUtf8FileNames) {
    EXPECT_EQ(print("pdfcreator A4", "/c/Citt\xE0", nothing), dir_ / "Citt\xE0.pdf");
    EXPECT_TRUE(fs::exists(dir_ / "Citt\xC3\xA0.pdf"));
    EXPECT_EQ(print("pdfcreator A4", "", nothing), dir_ / "documento.pdf");
}

TEST_F(BuiltinPdfPrintersTest, AFolderThatCannotTakeTheFileMakesTheJobFail) {
    const fs::path gone = dir_ / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    ASSERT_EQ(printers_.attach("pdfcreator A4", "foto"), 0);
    printers_.select_font("DejaVu Sans", 12, false);
    printers_.draw_text("testo");
    EXPECT_EQ(printers_.end_job(), 76);
    EXPECT_EQ(printers_.last_job(), JobOutcome{});
    EXPECT_EQ(printers_.attached_name(), "");
}

TEST_F(BuiltinPdfPrintersTest, TextIsMeasuredDrawnExtractableAndItsFontEmbedded) {
    TextExtent title;
    TextExtent small;
    TextExtent eight;
    DevicePoint after;
    const fs::path pdf = print("pdfcreator A4", "testo", [&](Printers& p) {
        p.select_font("DejaVu Sans", 0, false);
        small = p.text_extent("Perch\xE9");
        p.select_font("DejaVu Sans", 8, false);
        eight = p.text_extent("Perch\xE9");
        p.select_font("DejaVu Sans", 72, true);
        p.set_text_colour(0x000000);
        title = p.text_extent("Perch\xE9 \xE8 cos\xEC");
        p.move_to({400, 1000});
        p.draw_text("Perch\xE9 \xE8 cos\xEC");
        after = p.current_position();
    });
    EXPECT_EQ(small, eight) << "0 points is taken as 8";
    // 72 points at 600 dpi: an em of 600 device pixels; the line is a little taller.
    EXPECT_GE(title.height, 600);
    EXPECT_LE(title.height, 800);
    EXPECT_GT(title.width, 6 * eight.width);
    EXPECT_EQ(after, (DevicePoint{400 + title.width, 1000}));

    EXPECT_NE(run("pdftotext " + quoted(pdf) + " -").output.find("Perché è così"), std::string::npos);
    const std::string fonts = run("pdffonts " + quoted(pdf)).output;
    EXPECT_NE(fonts.find("DejaVuSans-Bold"), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find(" no "), std::string::npos) << "every font embedded:\n" << fonts;
    EXPECT_EQ(run("qpdf --check " + quoted(pdf) + " >/dev/null").status, 0);

    // Black ink inside the line's box, at the place it was drawn.
    const Picture page = render(pdf, 60, 0, 0, 496, 701);
    int dark = 0;
    for (int y = 100; y < 100 + title.height / 10; ++y) {
        for (int x = 40; x < 40 + title.width / 10; ++x) dark += near(page.at(x, y), {0, 0, 0}, 100) ? 1 : 0;
    }
    EXPECT_GT(dark, 50);
    EXPECT_TRUE(near(page.at(30, 90), kWhite, 5));
}

// The default poster on A4 with one of its lines blank (empty, or only spaces): the other lines keep
// to the band under the photo box (from 23.9 cm down to the sheet's bottom edge) and stay on the page.
TEST_F(BuiltinPdfPrintersTest, ABlankTextLineLeavesTheOtherLinesInTheBandUnderTheBox) {
    print("pdfcreator A4", "altezze", [](Printers& p) {
        for (const char* face : {"ar bonnie", "Nimbus Sans", "DejaVu Serif"}) {
            for (const int points : {8, 23, 72, 200}) {
                p.select_font(face, points, true);
                const int line_height = p.text_extent("Testo").height;
                EXPECT_EQ(p.text_extent(""), (TextExtent{0, line_height})) << face << " " << points;
            }
        }
    });
    constexpr double kPointsPerCm = 72 / 2.54;
    const std::vector<std::vector<std::string>> words_of_line = {
        {"MAXI_STAMPA"}, {"GALMINI", "OTTAVIANO"}, {"2017"}};
    for (int blank = 0; blank < 3; ++blank) {
        FakePlatform fake;
        Platform platform{fake.console, fake.system, fake.fault,   fake.speech,
                          printers_,    fake.images, fake.windows, fake.fonts};
        PosterSettings settings{};
        SCP_DEFA(platform, settings);
        FixedText<64>* texts[3] = {&settings.testo1, &settings.testo2, &settings.testo3};
        *texts[blank] = blank == 1 ? "   " : "";
        ASSERT_EQ(printers_.attach("pdfcreator A4", "vuota" + std::to_string(blank)), 0);
        settings.punti_cm = dots_per_cm(printers_.metrics());
        DIMENSIO(platform, settings.foglio_larghezza_cm, settings.foglio_altezza_cm);
        settings.altezza_testo_cm = std::fabs(settings.altezza_cm);
        Summary summary;
        SUB_STAM(platform, settings, summary);

        const double band_top = (settings.py_cm + effective_box(settings).height_cm) * kPointsPerCm;
        std::vector<std::string> expected;
        for (int line = 0; line < 3; ++line) {
            if (line != blank)
                expected.insert(expected.end(), words_of_line[line].begin(), words_of_line[line].end());
        }
        std::vector<std::string> found;
        for (const WordBox& word : word_boxes(printers_.last_job().pdf_path)) {
            found.push_back(word.text);
            EXPECT_GE(word.y_min, band_top) << word.text << " with line " << blank + 1 << " blank";
            EXPECT_LE(word.y_max, 841.92) << word.text << " with line " << blank + 1 << " blank";
            EXPECT_GE(word.x_min, 0) << word.text;
            EXPECT_LE(word.x_max, 595.32) << word.text;
        }
        EXPECT_EQ(found, expected) << "with line " << blank + 1 << " blank";
    }
}

// A face is asked for by its first 31 characters, trimmed: here "DejaVu Sans Mono" and spaces, then
// characters that asked for whole would name no font and fall back to DejaVu Sans.
TEST_F(BuiltinPdfPrintersTest, AFaceIsAskedForByItsFirst31Characters) {
    const std::string face = "DejaVu Sans Mono" + std::string(15, ' ') + "Oblique X";
    ASSERT_EQ(face.size(), 40u);
    const fs::path pdf = print("pdfcreator A4", "lungo", [&](Printers& p) {
        p.select_font(face, 24, false);
        p.move_to({400, 1000});
        p.draw_text("Mono");
    });
    const std::string fonts = run("pdffonts " + quoted(pdf)).output;
    EXPECT_NE(fonts.find("DejaVuSansMono "), std::string::npos) << fonts;
}

// Accented capitals are whole: the line's top lies the face's usWinAscent (1044 per 1000 in bold
// Nimbus Roman) above the baseline, and the capitals rise 672 per 1000 above it. At 72 points and
// 600 dpi the line starting at y 1000 has its baseline at 1626 and its capitals' tops at 1223; the
// accents lie between. Rendered at 60 dpi, rows 101 to 121.
TEST_F(BuiltinPdfPrintersTest, AccentsOfCapitalsArePrintedAboveTheCapHeight) {
    const fs::path pdf = print("pdfcreator A4", "accenti", [](Printers& p) {
        p.select_font("Nimbus Roman", 72, true);
        p.move_to({400, 1000});
        p.draw_text("\xC8\xC0\xD9");
    });
    const Picture accents = render(pdf, 60, 40, 101, 150, 21);
    int ink = 0;
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 150; ++x) ink += near(accents.at(x, y), kWhite, 60) ? 0 : 1;
    }
    EXPECT_GT(ink, 60);
}

TEST_F(BuiltinPdfPrintersTest, TextIsClippedToTheLinesHeight) {
    // In this face the accent of É rises well above the line's ascent.
    ASSERT_NE(run("fc-match -f '%{family}' 'Nimbus Sans'").output.find("Nimbus Sans"), std::string::npos);
    const fs::path pdf = print("pdfcreator A4", "taglio", [](Printers& p) {
        p.select_font("Nimbus Sans", 200, false);
        p.move_to({100, 1000});
        p.draw_text("\xC9");
    });
    // At 150 dpi a rendered pixel is 4 device pixels: the line starts at y 250.
    const Picture above = render(pdf, 150, 0, 150, 500, 100);
    const Picture letter = render(pdf, 150, 0, 250, 500, 100);
    int ink_above = 0;
    int ink_below = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 500; ++x) {
            ink_above += near(above.at(x, y), kWhite, 5) ? 0 : 1;
            ink_below += near(letter.at(x, y), kWhite, 5) ? 0 : 1;
        }
    }
    EXPECT_EQ(ink_above, 0);
    EXPECT_GT(ink_below, 500);
}

}  // namespace
}  // namespace posteri

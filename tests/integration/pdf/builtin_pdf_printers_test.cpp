// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in PDF printers, checked on the files they write with poppler and qpdf.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/pdf_test_support.h"
#include "support/test_photos.h"
#include "main/batch_run.h"
#include "main/run_operations.h"
#include "platform/windows/console_box_windows.h"
#include "platform/type/fontconfig_catalog.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/pdf/linux_printers.h"
#include "platform/system/posix_system.h"
#include "print/layout.h"
#include "print/print_job.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using namespace posteri::testing;

class BuiltinPdfPrintersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "posteri-pdf-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = fs::canonical(pattern);
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }

    // Prints with `draw` on a built-in printer and returns the PDF written.
    template <typename Draw>
    fs::path print(const std::string& printer, const std::string& document, Draw draw,
                   PageOrientation orientation = PageOrientation::Portrait) {
        EXPECT_EQ(printers_.attach(printer, document), 0);
        printers_.set_orientation(orientation);
        draw(printers_);
        EXPECT_EQ(printers_.end_job(), 0);
        EXPECT_EQ(printers_.attached_name(), "");
        return printers_.last_job().pdf_path;
    }

    std::vector<std::string> folder_names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    fs::path previous_;
    LinuxPrinters printers_{false};
};

void nothing(Printers&) {}

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

TEST_F(BuiltinPdfPrintersTest, PhotoPixelsFillTheRoundedInclusiveDestinationWithinADevicePixel) {
    const auto photo = pixel_photo(40, 30);
    // The photo's left half only, all red. Corners round ties to even: x 1000..2000, y 2000..3500.
    const fs::path pdf = print("pdfcreator A4", "rettangolo", [&](Printers& p) {
        p.stretch_bitmap(*photo, PixelRect{0, 0, 19, 29}, DeviceRect{1000.5, 2000.4, 1999.6, 3499.5});
    });
    // Rendered at the printer's own resolution, pixel (x, y) of the crop is device pixel (995 + x, ...).
    const Picture near_corner = render(pdf, 600, 995, 1995, 10, 10);
    EXPECT_TRUE(near(near_corner.at(5, 5), kRed));       // (1000, 2000)
    EXPECT_TRUE(near(near_corner.at(4, 5), kWhite, 5));  // x 999
    EXPECT_TRUE(near(near_corner.at(5, 4), kWhite, 5));  // y 1999
    const Picture far_corner = render(pdf, 600, 1995, 3495, 10, 10);
    EXPECT_TRUE(near(far_corner.at(5, 5), kRed));       // (2000, 3500): the corner is inside
    EXPECT_TRUE(near(far_corner.at(7, 5), kWhite, 5));  // x 2002
    EXPECT_TRUE(near(far_corner.at(5, 7), kWhite, 5));  // y 3502
}

TEST_F(BuiltinPdfPrintersTest, APhotosSourceRectangleIsWhatFillsTheDestination) {
    const auto photo = pixel_photo(40, 30);
    // Columns 10..29: red then blue, meeting halfway across the destination.
    const fs::path pdf = print("pdfcreator A4", "sorgente", [&](Printers& p) {
        p.stretch_bitmap(*photo, PixelRect{10, 0, 29, 29}, DeviceRect{0, 0, 1999, 999});
    });
    const Picture page = render(pdf, 60, 0, 0, 220, 120);
    EXPECT_TRUE(near(page.at(2, 50), kRed));
    EXPECT_TRUE(near(page.at(92, 50), kRed));
    EXPECT_TRUE(near(page.at(108, 50), kBlue));
    EXPECT_TRUE(near(page.at(197, 50), kBlue));
    EXPECT_TRUE(near(page.at(203, 50), kWhite, 5));
    EXPECT_TRUE(near(page.at(100, 103), kWhite, 5));
}

TEST_F(BuiltinPdfPrintersTest, AJpegPhotoIsEmbeddedByteForByteAndTurnedUpright) {
    const std::string bytes = marked_jpeg(64, 32);
    // Orientation 6 (stored a quarter turn anticlockwise): upright 32 wide, 64 high, red top right.
    const auto photo = jpeg_photo(bytes, 64, 32, 6);
    ASSERT_EQ(photo->width(), 32);
    const fs::path pdf = print("pdfcreator A4", "foto", [&](Printers& p) {
        p.stretch_bitmap(*photo, PixelRect{0, 0, 31, 63}, DeviceRect{600, 600, 1599, 2599});
    });
    ASSERT_EQ(run("cd " + quoted(dir_) + " && pdfimages -j " + quoted(pdf) + " estratta").status, 0);
    EXPECT_EQ(file_content(dir_ / "estratta-000.jpg"), bytes);
    EXPECT_FALSE(fs::exists(dir_ / "estratta-001.jpg")) << "one image only";

    const Picture page = render(pdf, 60, 0, 0, 200, 300);  // the photo: 60..159 × 60..259
    EXPECT_TRUE(near(page.at(135, 85), kRed));
    EXPECT_TRUE(near(page.at(85, 85), kBlue));
    EXPECT_TRUE(near(page.at(135, 235), kBlue));
    EXPECT_TRUE(near(page.at(100, 265), kWhite, 5));
    EXPECT_TRUE(near(page.at(165, 150), kWhite, 5));
}

TEST_F(BuiltinPdfPrintersTest, EveryExifOrientationTurnsTheStoredGridUpright) {
    // Stored 64 × 32 with its top-left quadrant red: where that quadrant lands upright.
    struct Case {
        int orientation;
        bool right;
        bool bottom;
    };
    for (const Case c :
         {Case{1, false, false}, Case{2, true, false}, Case{3, true, true}, Case{4, false, true},
          Case{5, false, false}, Case{6, true, false}, Case{7, true, true}, Case{8, false, true}}) {
        const auto photo = jpeg_photo(marked_jpeg(64, 32), 64, 32, c.orientation);
        const int w = photo->width();
        const int h = photo->height();
        const fs::path pdf =
            print("pdfcreator A4", "orientamento" + std::to_string(c.orientation), [&](Printers& p) {
                p.stretch_bitmap(*photo, PixelRect{0, 0, w - 1, h - 1},
                                 DeviceRect{0, 0, w * 20.0 - 1, h * 20.0 - 1});
            });
        // Rendered at 60 dpi the photo is w × 2 by h × 2 pixels; sample each quadrant's centre.
        const Picture page = render(pdf, 60, 0, 0, w * 2, h * 2);
        for (const bool right : {false, true}) {
            for (const bool bottom : {false, true}) {
                const Rgb colour = page.at(right ? w * 3 / 2 : w / 2, bottom ? h * 3 / 2 : h / 2);
                const bool red = right == c.right && bottom == c.bottom;
                EXPECT_TRUE(near(colour, red ? kRed : kBlue))
                    << "orientation " << c.orientation << (right ? " right" : " left")
                    << (bottom ? " bottom" : " top");
            }
        }
    }
}

// The rows of `pdfimages -list`, one an image drawn on a page.
struct ImageRow {
    std::string size_and_coding;  // "width x height coding"
    std::string object;           // the number of the image's object
};

std::vector<ImageRow> image_rows(const fs::path& pdf) {
    std::istringstream listing(run("pdfimages -list " + quoted(pdf)).output);
    std::vector<ImageRow> rows;
    std::string line;
    for (int row = 0; std::getline(listing, line); ++row) {
        if (row < 2) continue;  // the heading and its rule
        std::istringstream fields(line);
        std::string page, number, type, width, height, colour, components, bits, coding, interpolated, object;
        fields >> page >> number >> type >> width >> height >> colour >> components >> bits >> coding >>
            interpolated >> object;
        rows.push_back({width + " x " + height + " " + coding, object});
    }
    return rows;
}

// The images a PDF holds, as "width x height coding".
std::vector<std::string> images_in(const fs::path& pdf) {
    std::vector<std::string> images;
    for (const ImageRow& row : image_rows(pdf)) images.push_back(row.size_and_coding);
    return images;
}

// A stream that is not whole but that libjpeg reads with a warning (no EOI, stray bytes between
// segments) prints from its repaired copy at its own size; one libjpeg cannot read leaves the box
// empty.
TEST_F(BuiltinPdfPrintersTest, ADamagedPhotoPrintsRepairedUnlessItCannotBeRead) {
    const std::string whole = marked_jpeg(64, 32);
    std::string stray = whole;
    stray.insert(whole.find("\xFF\xDB"), "\x12\x34");
    std::string unreadable = whole;
    unreadable.back() = '\x3A';  // EOI becomes a marker libjpeg does not know
    struct Case {
        const char* name;
        std::string bytes;
        bool printed;
    };
    for (const Case& c : {Case{"senza-fine", whole.substr(0, whole.size() - 2), true},
                          Case{"byte-estranei", stray, true}, Case{"illeggibile", unreadable, false}}) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir_ / (std::string(c.name) + ".jpg");
        std::ofstream(file, std::ios::binary) << c.bytes;
        const auto photo = JpegCodec().load_photo(file.string());
        const fs::path pdf = print("pdfcreator A4", c.name, [&](Printers& p) {
            if (photo) p.stretch_bitmap(*photo, PixelRect{0, 0, 63, 31}, DeviceRect{600, 600, 1879, 1239});
        });
        EXPECT_EQ(images_in(pdf), c.printed ? std::vector<std::string>{"64 x 32 jpeg"} : std::vector<std::string>{});
        const Picture page = render(pdf, 60, 0, 0, 200, 150);  // the photo: 60..187 x 60..123
        EXPECT_TRUE(near(page.at(80, 75), c.printed ? kRed : kWhite));
        EXPECT_TRUE(near(page.at(170, 110), c.printed ? kBlue : kWhite));
    }
}

// A panorama wider than a raster can be is printed from its bytes, which never need its pixels.
TEST_F(BuiltinPdfPrintersTest, APanoramaWiderThanARasterIsEmbedded) {
    const fs::path file = dir_ / "panorama.jpg";
    std::ofstream(file, std::ios::binary) << test::make_jpeg({.width = 40000, .height = 16});
    const auto photo = JpegCodec().load_photo(file.string());
    ASSERT_NE(photo, nullptr);
    const fs::path pdf = print("pdfcreator A4", "panorama", [&](Printers& p) {
        p.stretch_bitmap(*photo, PixelRect{0, 0, 39999, 15}, DeviceRect{0, 600, 3999, 601});
    });
    EXPECT_EQ(images_in(pdf), std::vector<std::string>{"40000 x 16 jpeg"});
}

// ---- the printers that print a big sheet on A4 or A3 sheets ----------------------------------------

// The pieces posteri-batch runs on, around the fixture's printers.
struct BatchPlatform {
    explicit BatchPlatform(Printers& printers)
        : platform{console, system, fault, speech, printers, images, windows, fonts} {}
    UnseenConsole console{{120, 40}};
    PosixSystem system;
    std::ostringstream failures;
    StreamFault fault{failures};
    NoVoice speech;
    JpegCodec images;
    ConsoleBoxWindows windows{console};
    FontconfigCatalog fonts;
    Platform platform;
};

struct TilingPrinter {
    const char* name;
    const char* whole;  // the printer of the same big sheet in one piece
    const char* size;   // the big sheet as the printer list shows it
};

constexpr TilingPrinter kTilingPrinters[] = {
    {"pdfcreator A0 su A4", "pdfcreator A0", "84.1 x 118.9 cm"},
    {"pdfcreator A1 su A4", "pdfcreator A1", "59.4 x 84.1 cm"},
    {"pdfcreator A2 su A4", "pdfcreator A2", "42.0 x 59.4 cm"},
    {"pdfcreator A0 su A3", "pdfcreator A0", "84.1 x 118.9 cm"},
    {"pdfcreator A1 su A3", "pdfcreator A1", "59.4 x 84.1 cm"},
};

TEST_F(BuiltinPdfPrintersTest, TilingPrintersAreListedAndMeasuredAsTheirBigSheet) {
    BatchPlatform batch(printers_);
    const std::vector<std::string> listed = printer_list(batch.platform);
    for (const TilingPrinter& printer : kTilingPrinters) {
        SCOPED_TRACE(printer.name);
        EXPECT_NE(std::find(listed.begin(), listed.end(), std::string(printer.name) + "\t" + printer.size),
                  listed.end());
        const std::string entry = FUN_PROP(batch.platform, printer.name);
        const std::string whole_entry = FUN_PROP(batch.platform, printer.whole);
        EXPECT_EQ(entry.rfind(printer.name, 0), 0u) << entry;
        EXPECT_EQ(entry.substr(entry.find(',')), whole_entry.substr(whole_entry.find(',')));
        for (const PageOrientation orientation : {PageOrientation::Portrait, PageOrientation::Landscape}) {
            ASSERT_EQ(printers_.attach(printer.whole, "intero"), 0);
            printers_.set_orientation(orientation);
            const SheetMetrics whole = printers_.metrics();
            ASSERT_EQ(printers_.attach(printer.name, "a fogli"), 0);
            printers_.set_orientation(orientation);
            EXPECT_EQ(printers_.metrics(), whole);
        }
    }
    printers_.release();
}

// A quadrant photo (red, green, blue, white) as a file, wide or tall.
fs::path quadrant_photo(const fs::path& folder, bool wide) {
    test::JpegSpec recipe;
    recipe.width = wide ? 480 : 360;
    recipe.height = wide ? 360 : 480;
    const fs::path file = folder / (wide ? "orizzontale.jpg" : "verticale.jpg");
    test::write_file(file.string(), test::make_jpeg(recipe));
    return file;
}

// The default poster of `photo` printed on `printer` as posteri-batch prints it; the PDF written.
fs::path print_poster(Printers& printers, const fs::path& photo, const std::string& printer) {
    BatchPlatform batch(printers);
    const BatchOutcome outcome = run_batch(batch.platform, BatchRequest{photo.string(), printer, ""});
    EXPECT_EQ(outcome.exit_code, 0) << outcome.error << batch.failures.str();
    return printers.last_job().pdf_path;
}

struct PdfPages {
    int count = 0;
    double width = 0;  // points
    double height = 0;
};

PdfPages pages_of(const fs::path& pdf) {
    const std::string info = run("pdfinfo " + quoted(pdf)).output;
    PdfPages pages;
    std::sscanf(info.c_str() + info.find("Pages:"), "Pages: %d", &pages.count);
    std::sscanf(info.c_str() + info.find("Page size:"), "Page size: %lf x %lf", &pages.width, &pages.height);
    return pages;
}

// Each page's label "riga r, colonna c (di R × C)" as "r c R C".
std::vector<std::string> sheet_labels(const fs::path& pdf) {
    std::istringstream text(run("pdftotext " + quoted(pdf) + " -").output);
    std::vector<std::string> labels;
    std::string page;
    while (std::getline(text, page, '\f')) {
        int numbers[4] = {};
        const std::size_t at = page.find("riga ");
        if (at == std::string::npos ||
            std::sscanf(page.c_str() + at, "riga %d, colonna %d (di %d \xC3\x97 %d)", &numbers[0],
                        &numbers[1], &numbers[2], &numbers[3]) != 4)
            continue;
        labels.push_back(std::to_string(numbers[0]) + " " + std::to_string(numbers[1]) + " " +
                         std::to_string(numbers[2]) + " " + std::to_string(numbers[3]));
    }
    return labels;
}

constexpr int kWallDpi = 50;
constexpr double kPixelsPerPoint = kWallDpi / 72.0;
constexpr double kPointsPerMm = 72 / 25.4;
constexpr Rgb kUncovered{255, 0, 255};

void put(Picture& picture, int x, int y, const Rgb& colour) {
    const std::size_t i = (static_cast<std::size_t>(y) * picture.width + x) * 3;
    for (int c = 0; c < 3; ++c) picture.pixels[i + c] = static_cast<char>(colour[c]);
}

// The sheets laid on the wall at kWallDpi, in reading order: each sheet's part, inside its 10 mm
// border, goes where it belongs on the big page; the parts overlap by 10 mm and the last ones end
// with the page. Where parts meet, a pixel is taken from a part that holds all of it, not from one
// whose cut runs through it. A pixel of the page that no part covers stays magenta. Counts on
// `ink_at_edges` what is printed within 4.5 mm of a sheet's edge.
Picture joined_sheets(const fs::path& tiled, const PdfPages& sheet, int rows, int columns,
                      const PdfPages& page, int wall_width, int wall_height, int& ink_at_edges) {
    const double border = 10 * kPointsPerMm;
    const double part_width = sheet.width - 2 * border;
    const double part_height = sheet.height - 2 * border;
    const int edge = static_cast<int>(4.5 * kPointsPerMm * kPixelsPerPoint);
    Picture wall{wall_width, wall_height,
                 std::string(static_cast<std::size_t>(wall_width) * wall_height * 3, '\xFF')};
    for (int y = 0; (y + 0.5) / kPixelsPerPoint < page.height; ++y) {
        for (int x = 0; (x + 0.5) / kPixelsPerPoint < page.width; ++x) put(wall, x, y, kUncovered);
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const Picture paper =
                render(tiled, kWallDpi, 0, 0, 2000, 2000, row * columns + column + 1, false);
            for (int y = 0; y < paper.height; ++y) {
                for (int x = 0; x < paper.width; ++x) {
                    const bool at_edge = std::min({x, y, paper.width - 1 - x, paper.height - 1 - y}) < edge;
                    ink_at_edges += at_edge && !near(paper.at(x, y), kWhite, 5) ? 1 : 0;
                }
            }
            const double left = column * (part_width - 10 * kPointsPerMm);
            const double top = row * (part_height - 10 * kPointsPerMm);
            const double right = std::min(left + part_width, page.width);
            const double bottom = std::min(top + part_height, page.height);
            const double pixel = 1 / kPixelsPerPoint;
            const double first_x = column > 0 ? left + pixel : left;
            const double last_x = column < columns - 1 ? right - pixel : right;
            const double first_y = row > 0 ? top + pixel : top;
            const double last_y = row < rows - 1 ? bottom - pixel : bottom;
            for (int y = 0; y < wall_height; ++y) {
                const double centre_y = (y + 0.5) / kPixelsPerPoint;
                if (centre_y < first_y || centre_y >= last_y) continue;
                for (int x = 0; x < wall_width; ++x) {
                    const double centre_x = (x + 0.5) / kPixelsPerPoint;
                    if (centre_x < first_x || centre_x >= last_x) continue;
                    put(wall, x, y,
                        paper.at(static_cast<int>((centre_x - left + border) * kPixelsPerPoint),
                                 static_cast<int>((centre_y - top + border) * kPixelsPerPoint)));
                }
            }
        }
    }
    return wall;
}

// Pixels of `joined` whose colour lies outside what `whole` shows within one pixel of the same place.
int pixels_off_by_more_than_one(const Picture& joined, const Picture& whole) {
    constexpr int kTolerance = 8;
    int off = 0;
    for (int y = 0; y < joined.height; ++y) {
        for (int x = 0; x < joined.width; ++x) {
            Rgb lowest{255, 255, 255};
            Rgb highest{0, 0, 0};
            for (int ny = std::max(0, y - 1); ny <= std::min(whole.height - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(whole.width - 1, x + 1); ++nx) {
                    for (int c = 0; c < 3; ++c) {
                        lowest[c] = std::min(lowest[c], whole.at(nx, ny)[c]);
                        highest[c] = std::max(highest[c], whole.at(nx, ny)[c]);
                    }
                }
            }
            const Rgb colour = joined.at(x, y);
            bool outside = false;
            for (int c = 0; c < 3; ++c)
                outside =
                    outside || colour[c] < lowest[c] - kTolerance || colour[c] > highest[c] + kTolerance;
            off += outside ? 1 : 0;
        }
    }
    return off;
}

// Sheets upright or turned, whichever needs fewer, each labelled with its place in reading order;
// joined by their overlap they give back the page of the printer that prints the big sheet whole,
// and nothing is printed near a sheet's edge.
TEST_F(BuiltinPdfPrintersTest, TiledSheetsJoinedByTheirOverlapRebuildTheWholePage) {
    struct Case {
        const char* printer;
        bool wide_photo;
        int rows;
        int columns;
        bool turned_sheets;
    };
    const fs::path wide = quadrant_photo(dir_, true);
    const fs::path tall = quadrant_photo(dir_, false);
    for (const Case& c :
         {Case{"pdfcreator A0 su A4", false, 5, 5, false}, Case{"pdfcreator A0 su A4", true, 5, 5, true},
          Case{"pdfcreator A1 su A4", true, 3, 5, false}, Case{"pdfcreator A2 su A4", false, 4, 2, true},
          Case{"pdfcreator A0 su A3", true, 3, 5, false}, Case{"pdfcreator A1 su A3", false, 4, 2, true}}) {
        SCOPED_TRACE(std::string(c.printer) + (c.wide_photo ? ", wide photo" : ", tall photo"));
        const fs::path tiled = print_poster(printers_, c.wide_photo ? wide : tall, c.printer);
        const fs::path whole =
            print_poster(printers_, c.wide_photo ? wide : tall, std::string(c.printer).substr(0, 13));
        const PdfPages sheets = pages_of(tiled);
        const bool on_a4 = std::string(c.printer).ends_with("A4");
        EXPECT_NEAR(c.turned_sheets ? sheets.height : sheets.width, on_a4 ? 595.28 : 841.89, 0.01);
        EXPECT_NEAR(c.turned_sheets ? sheets.width : sheets.height, on_a4 ? 841.89 : 1190.55, 0.01);
        std::vector<std::string> reading_order;
        for (int i = 0; i < c.rows * c.columns; ++i) {
            reading_order.push_back(std::to_string(i / c.columns + 1) + " " +
                                    std::to_string(i % c.columns + 1) + " " + std::to_string(c.rows) + " " +
                                    std::to_string(c.columns));
        }
        ASSERT_EQ(sheets.count, c.rows * c.columns);
        EXPECT_EQ(sheet_labels(tiled), reading_order);

        const Picture expected = render(whole, kWallDpi, 0, 0, 3000, 3000, 1, false);
        int ink_at_edges = 0;
        const Picture joined = joined_sheets(tiled, sheets, c.rows, c.columns, pages_of(whole),
                                             expected.width, expected.height, ink_at_edges);
        EXPECT_EQ(pixels_off_by_more_than_one(joined, expected), 0);
        EXPECT_EQ(ink_at_edges, 0) << "a home printer's edge stays blank";
    }
}

// A photo of camera-like grain, too big to be embedded twice within the allowance.
fs::path grainy_photo(const fs::path& folder) {
    test::JpegSpec recipe;
    recipe.width = 800;
    recipe.height = 600;
    recipe.pixel = [](int x, int y) {
        const unsigned h =
            (static_cast<unsigned>(x) * 0x9E3779B1u) ^ (static_cast<unsigned>(y) * 0x85EBCA77u);
        const int grain = static_cast<int>((h ^ (h >> 15)) % 64);
        return test::Rgb{120 + grain, 90 + grain, 60 + grain};
    };
    const fs::path file = folder / "grana.jpg";
    test::write_file(file.string(), test::make_jpeg(recipe));
    return file;
}

TEST_F(BuiltinPdfPrintersTest, TiledSheetsShareThePhotoEmbeddedOnceAndKeepTheTextAsText) {
    const fs::path photo = grainy_photo(dir_);
    ASSERT_GT(fs::file_size(photo), 100u << 10);
    for (const TilingPrinter& printer : kTilingPrinters) {
        SCOPED_TRACE(printer.name);
        const fs::path tiled = print_poster(printers_, photo, printer.name);
        const fs::path whole = print_poster(printers_, photo, printer.whole);
        EXPECT_LE(fs::file_size(tiled), fs::file_size(whole) + (100u << 10));
        const std::vector<ImageRow> rows = image_rows(tiled);
        ASSERT_FALSE(rows.empty());
        for (const ImageRow& row : rows) {
            EXPECT_EQ(row.object, rows.front().object);
            EXPECT_EQ(row.size_and_coding, "800 x 600 jpeg");
        }
        EXPECT_NE(run("pdftotext " + quoted(tiled) + " -").output.find("MAXI_STAMPA"), std::string::npos);
        const std::string fonts = run("pdffonts " + quoted(tiled)).output;
        EXPECT_EQ(fonts.find(" no "), std::string::npos) << "every font embedded:\n" << fonts;
        EXPECT_EQ(run("qpdf --check " + quoted(tiled) + " >/dev/null").status, 0);
    }
}

// A box narrower than nothing (A4 across, 29.7 cm: 29.7 - 30 - 3.2 = -3.5 cm) still gets its photo
// in every fit mode.
TEST_F(BuiltinPdfPrintersTest, ABoxOfNegativeWidthStillPrintsThePhoto) {
    const fs::path photo = quadrant_photo(dir_, true);
    for (const char* fits : {"0", "1", "2", "3"}) {
        BatchPlatform batch(printers_);
        const BatchOutcome outcome =
            run_batch(batch.platform, BatchRequest{photo.string(), "pdfcreator A4", "",
                                                   {{"larghezza_cm", "-30"}, {"fits", fits}}});
        ASSERT_EQ(outcome.exit_code, 0) << outcome.error;
        EXPECT_EQ(images_in(printers_.last_job().pdf_path).size(), 1u) << "fit " << fits;
    }
}

}  // namespace
}  // namespace posteri

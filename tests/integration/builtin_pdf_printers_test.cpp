// The built-in PDF printers, checked on the files they write with poppler and qpdf.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "integration/pdf_test_support.h"
#include "main/run_operations.h"
#include "platform/linux/jpeg_codec.h"
#include "platform/linux/linux_printers.h"
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
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
              (std::vector<std::string>{"pdfcreator A4", "pdfcreator A3", "pdfcreator A2", "pdfcreator A1",
                                        "pdfcreator A0"}));
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

TEST_F(BuiltinPdfPrintersTest, ALongFaceNameIsAskedForWhole) {
    // A family of 38 characters that the font configuration knows as DejaVu Serif; its first 31
    // characters name no font and would fall back to DejaVu Sans.
    const std::string face = "Posteri Poster Family With A Long Name";
    const std::string alias = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\"><fontconfig>"
                              "<alias binding=\"same\"><family>" + face + "</family><prefer>"
                              "<family>DejaVu Serif</family></prefer></alias></fontconfig>";
    ASSERT_TRUE(FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                               reinterpret_cast<const FcChar8*>(alias.c_str()), FcTrue));
    const fs::path pdf = print("pdfcreator A4", "lungo", [&](Printers& p) {
        p.select_font(face, 24, false);
        p.move_to({400, 1000});
        p.draw_text("Serif");
    });
    const std::string fonts = run("pdffonts " + quoted(pdf)).output;
    EXPECT_NE(fonts.find("DejaVuSerif"), std::string::npos) << fonts;
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

// The images a PDF holds, as "width x height coding" (from `pdfimages -list`).
std::vector<std::string> images_in(const fs::path& pdf) {
    std::istringstream listing(run("pdfimages -list " + quoted(pdf)).output);
    std::vector<std::string> images;
    std::string line;
    for (int row = 0; std::getline(listing, line); ++row) {
        if (row < 2) continue;  // the heading and its rule
        std::istringstream fields(line);
        std::string page, number, type, width, height, colour, components, bits, coding;
        fields >> page >> number >> type >> width >> height >> colour >> components >> bits >> coding;
        images.push_back(width + " x " + height + " " + coding);
    }
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

}  // namespace
}  // namespace posteri

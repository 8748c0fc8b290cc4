// SPDX-License-Identifier: GPL-3.0-or-later
// Photos on the built-in PDF printers' pages: where their pixels land, their own bytes embedded and
// turned upright, damaged and oversized photos, boxes of no width.
#include "integration/pdf/builtin_printers_fixture.h"

namespace posteri {
namespace {

using namespace posteri::testing;

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

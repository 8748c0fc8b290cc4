// SPDX-License-Identifier: GPL-3.0-or-later
// The preview's picture of a poster against the PDF the print job writes for it, rendered by poppler
// at the preview's scale: the photo and each text line must stand in the same place.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "main/run_operations.h"
#include "platform/pdf/linux_printers.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/windows/cairo_preview_drawing.h"
#include "platform/windows/preview_photo.h"
#include "platform/windows/sdl_poster_preview.h"
#include "print/layout.h"
#include "print/preview_page.h"
#include "print/print_job.h"
#include "support/child_run.h"
#include "support/fake_platform.h"
#include "support/pdf_test_support.h"
#include "support/temp_folder.h"
#include "support/test_photos.h"

namespace posteri {
namespace {

using namespace posteri::testing;

constexpr int kPreviewHeight = 702;

// Pixels of a picture, 0xRRGGBB, row by row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

bool saturated(std::uint32_t c) {
    const int r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    return std::max({r, g, b}) - std::min({r, g, b}) > 120;
}
// The photo's red quadrant, which shows where the photo was cut.
bool red(std::uint32_t c) {
    return (c >> 16 & 255) > 180 && (c >> 8 & 255) < 80 && (c & 255) < 80;
}
bool dark(std::uint32_t c) {
    return (c >> 16 & 255) < 100 && (c >> 8 & 255) < 100 && (c & 255) < 100;
}

Box bounds(const Pixels& picture, bool (*ink)(std::uint32_t), int from_y, int to_y) {
    Box box;
    for (int y = std::max(from_y, 0); y < std::min(to_y, picture.height); ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!ink(picture.at(x, y))) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    }
    return box;
}

void expect_near(const Box& preview, const Box& paper, int tolerance, const std::string& what) {
    ASSERT_EQ(preview.empty(), paper.empty()) << what;
    if (preview.empty()) return;
    EXPECT_NEAR(preview.left, paper.left, tolerance) << what;
    EXPECT_NEAR(preview.top, paper.top, tolerance) << what;
    EXPECT_NEAR(preview.right, paper.right, tolerance) << what;
    EXPECT_NEAR(preview.bottom, paper.bottom, tolerance) << what;
}

Pixels preview_pixels(const PreviewPage& page, const MemoryBitmap* photo, int height = kPreviewHeight) {
    const double scale = preview_scale(page.sheet, height);
    const int width =
        static_cast<int>(std::lround(page.sheet.physical_width * 72.0 / page.sheet.dpi_x * scale));
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    draw_preview_page(picture, page, photo);
    Pixels pixels{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(picture) +
                                                                 y * cairo_image_surface_get_stride(picture));
        for (int x = 0; x < width; ++x) pixels.rgb.push_back(row[x] & 0xFFFFFF);
    }
    cairo_surface_destroy(picture);
    return pixels;
}

// The PDF rendered with the preview's height, its width following the sheet's proportions.
Pixels paper_pixels(const fs::path& pdf) {
    const fs::path out = pdf.parent_path() / "rendered";
    EXPECT_EQ(run("pdftoppm -singlefile -scale-to-x -1 -scale-to-y " + std::to_string(kPreviewHeight) + " " +
                  quoted(pdf) + " " + quoted(out))
                  .status,
              0);
    std::ifstream in(out.string() + ".ppm", std::ios::binary);
    std::string magic;
    int maximum = 0;
    Pixels pixels;
    in >> magic >> pixels.width >> pixels.height >> maximum;
    in.get();
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        pixels.rgb.push_back(std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                             std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]));
    }
    return pixels;
}

class PosterPreviewAgainstPdf : public ::testing::Test {
  protected:
    void SetUp() override {
        test::JpegSpec recipe;
        recipe.width = 1200;
        recipe.height = 800;
        // Red, green, blue and yellow quadrants: all of the photo is saturated, none of it is ink.
        recipe.pixel = [](int x, int y) {
            if (y < 400) return x < 600 ? test::Rgb{255, 0, 0} : test::Rgb{0, 200, 0};
            return x < 600 ? test::Rgb{0, 0, 255} : test::Rgb{255, 255, 0};
        };
        test::write_file(photo_path(), test::make_jpeg(recipe));
        fake_.system.files[photo_path()] = "jpeg";
        // The same picture as an opaque PNG, which the PDF carries in its own data and the preview decodes.
        test::PngSpec png;
        png.width = recipe.width;
        png.height = recipe.height;
        png.pixel = recipe.pixel;
        test::write_file(png_path(), test::make_png(png));
        fake_.system.files[png_path()] = "png";
    }
    std::string photo_path() const { return (dir_ / "mare.jpg").string(); }
    std::string png_path() const { return (dir_ / "mare-png.jpg").string(); }

    WorkingFolder folder_{"posteri-preview"};
    const fs::path& dir_ = folder_.path();
    FakePlatform fake_;
    LinuxPrinters printers_{false};
    JpegCodec images_;
    Platform platform_{fake_.console, fake_.system, fake_.fault,   fake_.speech,
                       printers_,     images_,      fake_.windows, fake_.fonts};
};

// For every fit mode, with and without autocentring, and a blank author line: the photo within a
// preview pixel, each text line's ink within two. Odd fit modes print the photo as a PNG.
TEST_F(PosterPreviewAgainstPdf, PhotoAndTextLinesStandWhereThePdfPutsThem) {
    for (int fits = 0; fits <= 3; ++fits) {
        for (int autocentra = 0; autocentra <= 1; ++autocentra) {
            const std::string what =
                "fits " + std::to_string(fits) + ", autocentra " + std::to_string(autocentra);
            const std::string document = "poster" + std::to_string(fits) + std::to_string(autocentra);
            ASSERT_EQ(printers_.attach("pdfcreator A4", document), 0);
            PosterSettings settings{};
            SCP_DEFA(platform_, settings);
            const std::string photo_file = fits % 2 == 0 ? photo_path() : png_path();
            settings.nomefile = photo_file;
            settings.foto_larghezza_px = 1200;
            settings.foto_altezza_px = 800;
            settings.fits = fits;
            settings.autocentra = autocentra;
            settings.testo1 = "Citt\xE0 di mare";
            settings.testo2 = "";
            settings.punti_cm = dots_per_cm(printers_.metrics());
            DIMENSIO(platform_, settings.foglio_larghezza_cm, settings.foglio_altezza_cm);

            const PreviewPage page = preview_page(platform_, settings);
            const std::unique_ptr<MemoryBitmap> photo = preview_photo(photo_file, kPreviewHeight);
            const Pixels preview = preview_pixels(page, photo.get());

            settings.altezza_testo_cm = std::fabs(settings.altezza_cm);
            Summary summary;
            SUB_STAM(platform_, settings, summary);
            const Pixels paper = paper_pixels(printers_.last_job().pdf_path);
            ASSERT_NEAR(paper.width, preview.width, 1) << what;  // poppler rounds the width up
            ASSERT_EQ(paper.height, preview.height) << what;

            expect_near(bounds(preview, saturated, 0, preview.height),
                        bounds(paper, saturated, 0, paper.height), 1, what + ", photo");
            expect_near(bounds(preview, red, 0, preview.height), bounds(paper, red, 0, paper.height), 1,
                        what + ", the photo's red quadrant");
            const double scale = preview_scale(page.sheet, kPreviewHeight) * 72.0 / page.sheet.dpi_y;
            for (std::size_t line = 0; line < page.lines.size(); ++line) {
                const int top = static_cast<int>(std::floor(page.lines[line].at.y * scale));
                const int bottom = line + 1 < page.lines.size()
                                       ? static_cast<int>(std::floor(page.lines[line + 1].at.y * scale))
                                       : preview.height;
                expect_near(bounds(preview, dark, top, bottom), bounds(paper, dark, top, bottom), 2,
                            what + ", line " + std::to_string(line + 1));
            }
        }
    }
}

// Whether two RRGGBB colours are alike within a JPEG's error.
bool alike(unsigned seen, unsigned expected) {
    const auto gap = [&](int shift) {
        return std::abs(int(seen >> shift & 255) - int(expected >> shift & 255));
    };
    return std::max({gap(0), gap(8), gap(16)}) <= 40;
}

// Photos reduced in each way, up to a 20000 x 20000 PNG, show whole and upright within 300 MB.
TEST(PreviewPhoto, ShowsTheWholePhotoUprightWithinItsMemory) {
    TempFolder folder{"posteri-preview-photo"};
    const std::array<unsigned, 4> quadrants{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const struct {
        std::string name, bytes;
        int long_side;
        std::array<unsigned, 4> corners;  // top-left, top-right, bottom-left, bottom-right
    } cases[] = {
        // An eighth is still over twice the window: rows are reduced after libjpeg's scaling.
        {"bands.jpg", test::make_jpeg({.width = 2000, .height = 1601}), 60, quadrants},
        {"turned.jpg",
         test::make_jpeg({.width = 2000, .height = 1600, .exif = test::make_exif({.orientation = 6})}),
         60,
         {0x0000FF, 0xFF0000, 0xFFFFFF, 0x00FF00}},
        {"rows.png", test::make_png({.width = 2001, .height = 1600, .colour_type = 3}), 60, quadrants},
        {"enorme.png", test::make_png({.width = 20000, .height = 20000, .colour_type = 3, .bit_depth = 2}),
         kPreviewHeight, quadrants},
    };
    for (const auto& c : cases) {
        const std::string path = (folder.path() / c.name).string();
        test::write_file(path, c.bytes);
        // The child exits with a bit for each corner unlike its quadrant, 16 when nothing is decoded.
        const test::ChildRun run = test::run_in_child([&] {
            const std::unique_ptr<MemoryBitmap> photo = preview_photo(path, c.long_side);
            if (!photo) return 16;
            const int side = c.long_side, far = side - 4;
            const PreviewPhoto placed{
                path, {0, 0, photo->width() - 1, photo->height() - 1}, {0, 0, side - 1.0, side - 1.0}};
            const Pixels seen =
                preview_pixels({{side, side, 0, 0, side, side, 72, 72}, placed, {}}, photo.get(), side);
            const int corners[][2] = {{3, 3}, {far, 3}, {3, far}, {far, far}};
            int wrong = 0;
            for (int i = 0; i < 4; ++i)
                wrong |= alike(seen.at(corners[i][0], corners[i][1]), c.corners[i]) ? 0 : 1 << i;
            return wrong;
        });
        EXPECT_EQ(run.exit_code, 0) << c.name;
        EXPECT_LT(run.added_peak_kb, 300 * 1024) << c.name;
    }
}

// The window stands at the work area's right edge, or beside the terminal's window where it fits,
// as tall as the work area leaves room for and at most half as wide.
TEST(PreviewArea, StandsBesideTheTerminalWhenThereIsRoom) {
    const SheetMetrics a4{4961, 7016, 0, 0, 4961, 7016, 600, 600};
    const SheetMetrics a4_landscape{7016, 4961, 0, 0, 7016, 4961, 600, 600};
    const PixelArea work{0, 0, 1920, 1040};
    struct Case {
        SheetMetrics sheet;
        std::optional<PixelArea> terminal;
        PixelArea expected;
    };
    const Case cases[] = {
        {a4, std::nullopt, {1230, 32, 690, 976}},
        {a4, PixelArea{100, 50, 900, 600}, {1000, 50, 690, 976}},
        {a4, PixelArea{400, 50, 1000, 600}, {1230, 32, 690, 976}},  // no room beside it
        {a4_landscape, std::nullopt, {960, 32, 960, 679}},          // half the width at most
    };
    for (const Case& c : cases) {
        const PixelArea area = preview_area(c.sheet, work, c.terminal);
        EXPECT_EQ(area, c.expected) << area.x << " " << area.y << " " << area.width << " " << area.height;
    }
}

}  // namespace
}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
// WebP photos through the codec: facts, upright pixels, what a printed page carries, cut files and
// headers claiming too much.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "platform/photos/photo_kinds.h"
#include "support/photo_reader_test.h"
#include "support/test_jxl.h"
#include "support/test_webp.h"

namespace posteri {
namespace {

using test::Rgb;
using test::WebpSpec;

using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::LooksLike;

class WebpReaderTest : public test::PhotoReaderTest {
  protected:
    WebpReaderTest() : PhotoReaderTest("foto.webp") {}
    std::array<Rgb, 4> corners(const MemoryBitmap& bitmap) {
        const int right = bitmap.width() - 1, bottom = bitmap.height() - 1;
        return {colour_at(bitmap, 0, 0), colour_at(bitmap, right, 0), colour_at(bitmap, 0, bottom),
                colour_at(bitmap, right, bottom)};
    }
};

// Lossy and lossless, see-through, animated (its first frame), turned by EXIF in either of the
// forms WebP writers store it: the facts of the upright photo, its upright corners (quadrants red,
// green / blue, white as stored), and a printed photo that keeps its stored grid and orientation.
TEST_F(WebpReaderTest, FactsAndPixelsOfEveryKindComeUpright) {
    const Rgb pink{255, 128, 128};
    const std::string exif6 =
        test::make_exif({.orientation = 6, .x_resolution = 300, .y_resolution = 200, .unit = 2});
    const std::string exif3 = test::make_exif({.big_endian = true, .orientation = 3});
    const auto raw_tiff = [](const std::string& app1) { return app1.substr(6); };  // without "Exif\0\0"
    for (const auto& [name, recipe, facts, orientation, expected] :
         {std::tuple{"lossless", WebpSpec{}, PhotoFacts{64, 48, 96, 96}, 1,
                     std::array{kRed, kGreen, kBlue, kWhite}},
          std::tuple{"lossy", WebpSpec{.lossless = false}, PhotoFacts{64, 48, 96, 96}, 1,
                     std::array{kRed, kGreen, kBlue, kWhite}},
          std::tuple{"half see-through", WebpSpec{.alpha = 128}, PhotoFacts{64, 48, 96, 96}, 1,
                     std::array{pink, Rgb{128, 255, 128}, Rgb{128, 128, 255}, kWhite}},
          std::tuple{"animated", WebpSpec{.animated = true}, PhotoFacts{64, 48, 96, 96}, 1,
                     std::array{kRed, kGreen, kBlue, kWhite}},
          std::tuple{"EXIF 6 as TIFF", WebpSpec{.exif = raw_tiff(exif6)}, PhotoFacts{48, 64, 200, 300}, 6,
                     std::array{kBlue, kRed, kWhite, kGreen}},
          std::tuple{"EXIF 3 behind Exif", WebpSpec{.exif = exif3}, PhotoFacts{64, 48, 96, 96}, 3,
                     std::array{kWhite, kBlue, kGreen, kRed}}}) {
        SCOPED_TRACE(name);
        const std::string path = photo(test::make_webp(recipe));
        EXPECT_EQ(codec_.facts(path), facts);
        const auto shown = codec_.load_photo(path);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(std::pair(shown->width(), shown->height()), std::pair(facts.width, facts.height));
        const std::array<Rgb, 4> seen = corners(*shown);
        for (int i = 0; i < 4; ++i) EXPECT_THAT(seen[i], LooksLike(expected[i])) << "corner " << i;
        const auto printed = codec_.load_photo_to_print(path, 64 * 48);
        ASSERT_NE(printed, nullptr);
        EXPECT_FALSE(printed->incomplete());
        ASSERT_NE(embedded(printed), nullptr);
        EXPECT_EQ(embedded(printed)->orientation, orientation);
        EXPECT_EQ(std::pair(embedded(printed)->stored_width, embedded(printed)->stored_height),
                  std::pair(64, 48));
    }
}

// A page carries no more pixels than its printer's dots for the photo: the photo's own size when
// that fits, else scaled in its proportions to within them.
TEST_F(WebpReaderTest, PrintedPixelsAreAtMostTheSheetsDots) {
    const std::string path = photo(test::make_webp({.width = 640, .height = 480}));
    for (const auto& [most_pixels, width, height] :
         {std::tuple{640LL * 480, 640, 480}, std::tuple{640LL * 480 - 1, 639, 479},
          std::tuple{64LL * 48, 64, 48}, std::tuple{1LL, 1, 1}}) {
        SCOPED_TRACE(most_pixels);
        const auto printed = codec_.load_photo_to_print(path, most_pixels);
        ASSERT_NE(printed, nullptr);
        const PdfImage& image = *embedded(printed)->image;
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(width, height));
        EXPECT_EQ(std::pair(printed->width(), printed->height()), std::pair(640, 480));
    }
}

// A file cut short prints what libwebp decoded of it, the rest white, marked incomplete; one cut
// before any row gives no photo.
TEST_F(WebpReaderTest, CutFilesPrintTheirReadablePartMarkedIncomplete) {
    for (const bool lossless : {true, false}) {
        const std::string whole =
            test::make_webp({.width = 256, .height = 512, .lossless = lossless, .pixel = test::noisy_halves});
        for (const auto& [cut, incomplete, any] :
             {std::tuple{whole.size(), false, true}, std::tuple{whole.size() * 6 / 10, true, true},
              std::tuple{std::size_t{40}, true, false}}) {
            SCOPED_TRACE(std::to_string(lossless) + " cut at " + std::to_string(cut));
            const auto printed = codec_.load_photo_to_print(photo(whole.substr(0, cut)), 256 * 512);
            ASSERT_EQ(printed != nullptr, any);
            if (!any) continue;
            EXPECT_EQ(printed->incomplete(), incomplete);
            EXPECT_THAT(colour_at(*printed, 0, 0), LooksLike(Rgb{220, 20, 20}));
            EXPECT_THAT(colour_at(*printed, 255, 511), LooksLike(incomplete ? kWhite : Rgb{20, 20, 220}));
        }
    }
}

// The size a WebP or JPEG XL header claims is refused beyond 64 megapixels before any pixel is
// allocated; at the bound it is read, and refused to print as the file holds no pixels.
TEST_F(WebpReaderTest, HeadersClaimingMoreThan64MegapixelsAreRefused) {
    // Each kind with the largest side its header can say.
    for (const auto& [claiming, largest] :
         {std::pair{&test::webp_claiming, 16384}, {&test::jxl_claiming, 1 << 30}}) {
        SCOPED_TRACE(largest);
        EXPECT_EQ(codec_.facts(photo(claiming(8000, 8000))), (PhotoFacts{8000, 8000, 96, 96}));
        EXPECT_EQ(codec_.load_photo_to_print(photo(claiming(8000, 8000)), 1000), nullptr);
        EXPECT_EQ(codec_.facts(photo(claiming(8001, 8000))), std::nullopt);
        EXPECT_EQ(codec_.facts(photo(claiming(largest, largest))), std::nullopt);
    }
}

// Kinds are told by their first bytes alone; near misses are no kind.
TEST(PhotoKinds, SignaturesNameTheirKindAndNearMissesNone) {
    using namespace std::string_view_literals;
    for (const auto& [start, kind] :
         {std::tuple{"\xFF\xD8\xFF\xE0"sv, std::optional(PhotoKind::Jpeg)},
          std::tuple{"\x89PNG\r\n\x1A\n"sv, std::optional(PhotoKind::Png)},
          std::tuple{"RIFF\x10\0\0\0WEBP"sv, std::optional(PhotoKind::Webp)},
          std::tuple{"\0\0\0\x18"
                     "ftypheic"sv,
                     std::optional(PhotoKind::Heif)},
          std::tuple{"\0\0\0\x1C"
                     "ftypavif"sv,
                     std::optional(PhotoKind::Heif)},
          std::tuple{"\xFF\x0A\xFA"sv, std::optional(PhotoKind::JpegXl)},
          std::tuple{"\0\0\0\x0CJXL \r\n\x87\n"sv, std::optional(PhotoKind::JpegXl)},
          std::tuple{"II*\0"sv, std::optional(PhotoKind::Tiff)},
          std::tuple{"MM\0*"sv, std::optional(PhotoKind::Tiff)},
          std::tuple{"RIFF\x10\0\0\0WAVE"sv, std::optional<PhotoKind>()},
          std::tuple{"RIFF\x10\0\0\0WEB"sv, std::optional<PhotoKind>()},
          std::tuple{"\0\0\0\x18"
                     "ftypmp42"sv,
                     std::optional<PhotoKind>()},
          std::tuple{"\0\0\0\x08"
                     "ftypheic"sv,
                     std::optional<PhotoKind>()},
          std::tuple{"\x89PNG\r\n"sv, std::optional<PhotoKind>()},
          std::tuple{"\xFF"sv, std::optional<PhotoKind>()}}) {
        EXPECT_EQ(photo_kind(start), kind) << start;
    }
}

}  // namespace
}  // namespace posteri

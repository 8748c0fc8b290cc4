// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC and AVIF photos through the codec: facts, upright pixels as the container turns them, what a
// printed page carries, cut files and headers claiming too much.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "support/photo_reader_test.h"
#include "support/test_heif.h"

namespace posteri {
namespace {

using test::HeifSpec;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::LooksLike;
using test::Rgb;

class HeifReaderTest : public test::PhotoReaderTest {
  protected:
    HeifReaderTest() : PhotoReaderTest("foto.heic") {}
};

// HEVC and AV1, see-through, turned and mirrored by the container with an EXIF tag that says
// otherwise, and an EXIF tag alone: the facts and corners (quadrants red, green / blue, white as
// coded) are those of the image as the container shows it, and the page carries it so, unturned.
TEST_F(HeifReaderTest, FactsAndPixelsComeAsTheContainerTurnsThem) {
    const std::string exif3 = test::make_exif({.orientation = 3});
    const std::string exif6 =
        test::make_exif({.orientation = 6, .x_resolution = 300, .y_resolution = 200, .unit = 2});
    const std::array upright{kRed, kGreen, kBlue, kWhite};
    for (const auto& [name, recipe, facts, expected] :
         {std::tuple{"HEIC", HeifSpec{}, PhotoFacts{64, 48, 96, 96}, upright},
          std::tuple{"AVIF", HeifSpec{.avif = true}, PhotoFacts{64, 48, 96, 96}, upright},
          std::tuple{"half see-through HEIC", HeifSpec{.alpha = 128}, PhotoFacts{64, 48, 96, 96},
                     std::array{Rgb{255, 128, 128}, Rgb{128, 255, 128}, Rgb{128, 128, 255}, kWhite}},
          std::tuple{"irot a quarter, EXIF 3", HeifSpec{.orientation = 6, .exif = exif3},
                     PhotoFacts{48, 64, 96, 96}, std::array{kBlue, kRed, kWhite, kGreen}},
          std::tuple{"imir, EXIF 3", HeifSpec{.orientation = 2, .exif = exif3}, PhotoFacts{64, 48, 96, 96},
                     std::array{kGreen, kRed, kWhite, kBlue}},
          std::tuple{"EXIF 6 alone", HeifSpec{.exif = exif6}, PhotoFacts{64, 48, 300, 200}, upright}}) {
        SCOPED_TRACE(name);
        const std::string path = photo(test::make_heif(recipe));
        EXPECT_EQ(codec_.facts(path), facts);
        const auto shown = codec_.load_photo(path);
        ASSERT_NE(shown, nullptr);
        const int right = shown->width() - 1, bottom = shown->height() - 1;
        const std::array seen{colour_at(*shown, 0, 0), colour_at(*shown, right, 0),
                              colour_at(*shown, 0, bottom), colour_at(*shown, right, bottom)};
        for (int i = 0; i < 4; ++i) EXPECT_THAT(seen[i], LooksLike(expected[i])) << "corner " << i;
        const auto printed = codec_.load_photo_to_print(path, 64 * 64);
        ASSERT_NE(printed, nullptr);
        EXPECT_FALSE(printed->incomplete());
        ASSERT_NE(embedded(printed), nullptr);
        EXPECT_EQ(embedded(printed)->orientation, 1);
        const PdfImage& image = *embedded(printed)->image;
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(facts.width, facts.height));
    }
}

// A page carries no more pixels than its printer's dots for the photo: the photo's own size when
// that fits, else reduced by the smallest whole factor that brings it within them.
TEST_F(HeifReaderTest, PrintedPixelsAreAtMostTheSheetsDots) {
    const std::string path = photo(test::make_heif({.width = 640, .height = 480, .lossless = false}));
    for (const auto& [most_pixels, width, height] :
         {std::tuple{640LL * 480, 640, 480}, std::tuple{640LL * 480 - 1, 320, 240},
          std::tuple{64LL * 48, 64, 48}, std::tuple{1LL, 1, 1}}) {
        SCOPED_TRACE(most_pixels);
        const auto printed = codec_.load_photo_to_print(path, most_pixels);
        ASSERT_NE(printed, nullptr);
        const PdfImage& image = *embedded(printed)->image;
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(width, height));
        EXPECT_EQ(std::pair(printed->width(), printed->height()), std::pair(640, 480));
    }
}

// A file cut short is left out, as libheif decodes none of it; an image whose size box claims
// more than 64 megapixels, or a side no raster holds, is refused before any pixel is allocated.
TEST_F(HeifReaderTest, CutFilesAndSizesClaimingTooMuchAreRefused) {
    const std::string whole = test::make_heif({.width = 256, .height = 256, .lossless = false});
    for (const std::size_t cut : {whole.size() * 6 / 10, std::size_t{40}}) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(codec_.load_photo_to_print(photo(whole.substr(0, cut)), 256 * 256), nullptr);
    }
    const std::size_t ispe = whole.find("ispe") + 8;  // after the box type, its version and flags
    ASSERT_NE(ispe, std::string::npos);
    const auto claiming = [&](std::uint32_t width, std::uint32_t height) {
        std::string bytes = whole;
        for (int i = 0; i < 4; ++i) {
            bytes[ispe + i] = static_cast<char>(width >> (24 - 8 * i));
            bytes[ispe + 4 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        return photo(bytes);
    };
    EXPECT_EQ(codec_.facts(claiming(8000, 8000)), (PhotoFacts{8000, 8000, 96, 96}));
    EXPECT_EQ(codec_.load_photo_to_print(claiming(8000, 8000), 1000), nullptr);
    for (const auto& [width, height] :
         {std::pair{8001u, 8000u}, std::pair{40000u, 2u}, std::pair{~0u, ~0u}}) {
        SCOPED_TRACE(width);
        EXPECT_EQ(codec_.facts(claiming(width, height)), std::nullopt);
    }
}

}  // namespace
}  // namespace posteri

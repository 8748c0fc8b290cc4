// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG XL photos, made by cjxl, through the codec: facts, upright pixels, what a printed page carries
// (a JPEG's own bytes, or decoded rows), cut files and headers claiming too much.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "platform/photos/row_reducer.h"
#include "support/photo_reader_test.h"
#include "support/test_jxl.h"

namespace posteri {
namespace {

using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::LooksLike;
using test::Rgb;

class JxlReaderTest : public test::PhotoReaderTest {
  protected:
    JxlReaderTest() : PhotoReaderTest("foto.jxl") {}
    std::string jxl(const std::string& source, const std::string& options) {
        return test::make_jxl(source, options, folder_.path());
    }
    static const PdfImage& printed_image(const std::unique_ptr<MemoryBitmap>& bitmap) {
        return *embedded(bitmap)->image;
    }
};

// Each kind cjxl makes: the facts of the upright photo, its upright corners (quadrants red, green /
// blue, white as stored), and what a printed page carries: a JPEG's own bytes with its profile, or
// decoded rows in the photo's colours and profile, never turned (the page turns them, once).
TEST_F(JxlReaderTest, EveryKindComesUprightAndPrintsInItsOwnData) {
    const std::string wide = test::wide_gamut_profile();
    const std::string exif6 =
        test::make_exif({.orientation = 6, .x_resolution = 300, .y_resolution = 200, .unit = 2});
    const std::string jpeg6 = test::make_jpeg({.exif = exif6, .icc = wide});
    const std::array upright6{kBlue, kRed, kWhite, kGreen};
    const std::array quadrants{kRed, kGreen, kBlue, kWhite};
    const Rgb pink{255, 128, 128};
    struct Case {
        const char* name;
        std::string jxl;
        PhotoFacts facts;
        int orientation;
        PdfImageCoding coding;
        int components;
        std::array<Rgb, 4> corners;
    };
    for (const Case& c : {
             Case{"lossless",
                  jxl(test::make_png({}), "-d 0"),
                  {64, 48, 96, 96},
                  1,
                  PdfImageCoding::PngFlate,
                  3,
                  quadrants},
             Case{"lossy, in a container",
                  jxl(test::make_png({}), "-d 1 --container=1"),
                  {64, 48, 96, 96},
                  1,
                  PdfImageCoding::PngFlate,
                  3,
                  quadrants},
             Case{"grey",
                  jxl(test::make_png({.colour_type = 0}), "-d 0"),
                  {64, 48, 96, 96},
                  1,
                  PdfImageCoding::PngFlate,
                  1,
                  {Rgb{76, 76, 76}, Rgb{150, 150, 150}, Rgb{29, 29, 29}, kWhite}},
             Case{"half see-through",
                  jxl(test::make_png({.colour_type = 6, .alpha = 128}), "-d 0"),
                  {64, 48, 96, 96},
                  1,
                  PdfImageCoding::PngFlate,
                  3,
                  {pink, Rgb{128, 255, 128}, Rgb{128, 128, 255}, kWhite}},
             Case{"JPEG kept, turned",
                  jxl(jpeg6, ""),
                  {48, 64, 200, 300},
                  6,
                  PdfImageCoding::Dct,
                  3,
                  upright6},
             // Decoding the JPEG, cjxl keeps its orientation in the codestream and drops its Exif.
             Case{"JPEG decoded, turned",
                  jxl(jpeg6, "--lossless_jpeg=0 -d 0"),
                  {48, 64, 96, 96},
                  6,
                  PdfImageCoding::PngFlate,
                  3,
                  upright6},
         }) {
        SCOPED_TRACE(c.name);
        const std::string path = photo(c.jxl);
        EXPECT_EQ(codec_.facts(path), c.facts);
        const auto shown = codec_.load_photo(path);
        ASSERT_NE(shown, nullptr);
        const int right = shown->width() - 1, bottom = shown->height() - 1;
        const std::array seen{colour_at(*shown, 0, 0), colour_at(*shown, right, 0),
                              colour_at(*shown, 0, bottom), colour_at(*shown, right, bottom)};
        for (int i = 0; i < 4; ++i) EXPECT_THAT(seen[i], LooksLike(c.corners[i])) << "corner " << i;
        const auto printed = codec_.load_photo_to_print(path, 64 * 48);
        ASSERT_NE(printed, nullptr);
        EXPECT_FALSE(printed->incomplete());
        const EmbeddedPhoto& embedded = *dynamic_cast<const CairoBitmap&>(*printed).embedded();
        EXPECT_EQ(std::tuple(embedded.orientation, embedded.stored_width, embedded.stored_height),
                  std::tuple(c.orientation, 64, 48));
        const PdfImage& image = *embedded.image;
        EXPECT_EQ(std::tuple(image.coding, image.components, image.width, image.height),
                  std::tuple(c.coding, c.components, 64, 48));
        EXPECT_FALSE(image.icc.empty());
        // Decoded rows are no more than the sheet's dots: reduced, in proportion, below the photo's size.
        if (c.coding == PdfImageCoding::PngFlate) {
            const auto reduced = codec_.load_photo_to_print(path, 64 * 48 - 1);
            EXPECT_EQ(std::pair(printed_image(reduced).width, printed_image(reduced).height),
                      std::pair(63, 47));
        }
        // A JPEG made into JPEG XL goes back onto the page as that JPEG, bit for bit, profile and all.
        if (c.coding == PdfImageCoding::Dct) {
            EXPECT_EQ(image.data, std::vector<std::string_view>{jpeg6});
            EXPECT_EQ(image.icc, wide);
        }
    }
}

// A file cut short prints what libjxl's progressive rendering holds of it, marked incomplete; one
// cut before its image data gives no photo. A JPEG whose rebuilding data is cut prints decoded.
TEST_F(JxlReaderTest, CutFilesPrintTheirReadablePartMarkedIncomplete) {
    for (const auto& [name, whole] :
         {std::pair{"lossy",
                    jxl(test::make_png({.width = 512, .height = 512, .pixel = test::noisy_halves}), "-d 1")},
          std::pair{"JPEG",
                    jxl(test::make_jpeg({.width = 512, .height = 512, .pixel = test::noisy_halves}), "")}}) {
        for (const auto& [cut, incomplete, any] :
             {std::tuple{whole.size(), false, true}, std::tuple{whole.size() * 6 / 10, true, true},
              std::tuple{std::size_t{20}, true, false}}) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            const auto printed = codec_.load_photo_to_print(photo(whole.substr(0, cut)), 512 * 512);
            ASSERT_EQ(printed != nullptr, any);
            if (!any) continue;
            EXPECT_EQ(printed->incomplete(), incomplete);
            EXPECT_EQ(printed_image(printed).coding == PdfImageCoding::Dct,
                      std::string(name) == "JPEG" && !incomplete);
            EXPECT_THAT(colour_at(*printed, 0, 0), LooksLike(Rgb{220, 20, 20}));
        }
    }
}

// A grid keeps its samples at its own size; reduced, each pixel is the mean of the block it
// covers, however the sizes divide, down to one pixel that is the mean of all, 16-bit samples too.
TEST(ReduceGrid, EachPixelIsTheMeanOfTheBlockItCovers) {
    // Three columns of two-channel pixels over two rows: channel 0 counts up, channel 1 is 200.
    const std::vector<unsigned char> samples{0, 200, 10, 200, 20, 200, 30, 200, 40, 200, 50, 200};
    for (const auto& [size, expected] : {
             std::pair{ScaledSize{3, 2}, samples},
             std::pair{ScaledSize{2, 1}, std::vector<unsigned char>{15, 200, 30, 200}},
             std::pair{ScaledSize{1, 1}, std::vector<unsigned char>{25, 200}},
         }) {
        std::vector<unsigned char> out(expected.size());
        reduce_grid({samples.data(), 3, 2, 2}, out.data(), 2 * static_cast<std::size_t>(size.width), size);
        EXPECT_EQ(out, expected) << size.width << " x " << size.height;
    }
    // 16-bit samples, the high byte first: 0x0180 and 0x0381 average to 0x0281.
    const std::vector<unsigned char> wide{0x01, 0x80, 0x03, 0x81};
    std::vector<unsigned char> mean(2);
    reduce_grid({wide.data(), 2, 1, 1, 2}, mean.data(), 2, {1, 1});
    EXPECT_EQ(mean, (std::vector<unsigned char>{0x02, 0x81}));
}

}  // namespace
}  // namespace posteri

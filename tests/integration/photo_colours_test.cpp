// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of decoded photos against poppler's rendering of a PDF that holds the same samples
// in the colour space the photo declares: a preview must show what a colour-managed reader shows.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "integration/pdf_test_support.h"
#include "integration/test_photos.h"
#include "platform/linux/cairo_bitmap.h"
#include "platform/linux/preview_photo.h"
#include "support/temp_folder.h"

namespace posteri {
namespace {

using testing::Picture;
using testing::Rgb;

constexpr int kSide = 64;
constexpr int kPatch = 16;  // 4 x 4 patches of one colour each, on whole JPEG blocks

// Saturated and half colours, greys, a dark and a skin tone: where colour spaces differ most.
const std::array<test::Rgb, 16> kPalette{{{255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {255, 255, 0},
                                          {0, 255, 255},   {255, 0, 255},   {128, 0, 0},     {0, 128, 64},
                                          {255, 255, 255}, {192, 192, 192}, {96, 96, 96},    {24, 24, 24},
                                          {230, 180, 150}, {40, 60, 120},   {250, 128, 30},  {0, 0, 0}}};

test::Rgb patch_colour(int x, int y) {
    return kPalette[static_cast<std::size_t>(y / kPatch * 4 + x / kPatch)];
}

// The photo's samples, uncompressed, as a PDF image stream holds them: RGB, or the red alone.
std::string raw_samples(bool grey) {
    std::string samples;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const test::Rgb c = patch_colour(x, y);
            samples += static_cast<char>(c.r);
            if (!grey) samples += {static_cast<char>(c.g), static_cast<char>(c.b)};
        }
    }
    return samples;
}

// A one-page PDF whose page, one point a pixel, is the image: `entries` of its dictionary besides
// size and depth, its stream `data`, an ICC profile of `components` components as its colour space
// when one is given, and the opacity `alpha` of all its pixels when below 255.
std::string pdf_of_image(const std::string& entries, const std::string& data, const std::string& icc, int components,
                         int alpha) {
    const std::string side = std::to_string(kSide);
    const std::string content = "q " + side + " 0 0 " + side + " 0 0 cm /I Do Q";
    std::vector<std::string> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + side + " " + side +
            "] /Resources << /XObject << /I 5 0 R >> >> /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /XObject /Subtype /Image /Width " + side + " /Height " + side + " /BitsPerComponent 8 " + entries +
            (icc.empty() ? "" : " /ColorSpace [/ICCBased 6 0 R]") + (alpha < 255 ? " /SMask 7 0 R" : "") +
            " /Length " + std::to_string(data.size()) +
            " >>\nstream\n" + data + "\nendstream"};
    if (!icc.empty()) {
        objects.push_back("<< /N " + std::to_string(components) + " /Length " + std::to_string(icc.size()) +
                          " >>\nstream\n" + icc + "\nendstream");
    }
    if (alpha < 255) {
        if (icc.empty()) objects.push_back("null");
        const std::string mask(kSide * kSide, static_cast<char>(alpha));
        objects.push_back("<< /Type /XObject /Subtype /Image /Width " + side + " /Height " + side +
                          " /BitsPerComponent 8 /ColorSpace /DeviceGray /Length " + std::to_string(mask.size()) +
                          " >>\nstream\n" + mask + "\nendstream");
    }
    std::string pdf = "%PDF-1.5\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t table = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        const std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(table) + "\n%%EOF\n";
}

std::string written(const TempFolder& folder, const char* name, const std::string& bytes) {
    const std::string path = (folder.path() / name).string();
    test::write_file(path, bytes);
    return path;
}

// The pixels a preview draws: a JPEG's decoded stand-in, or a photo decoded whole.
cairo_surface_t* shown_pixels(const MemoryBitmap& photo) {
    const auto& bitmap = dynamic_cast<const CairoBitmap&>(photo);
    return bitmap.jpeg() != nullptr ? bitmap.jpeg()->proxy : bitmap.pixels();
}

Rgb pixel_at(cairo_surface_t* surface, int x, int y) {
    const unsigned char* pixel = cairo_image_surface_get_data(surface) +
                                 static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface) + 4 * x;
    return {pixel[2], pixel[1], pixel[0]};
}

const std::string kAdobeDecode = "/Decode [1 0 1 0 1 0 1 0]";

struct ColourCase {
    const char* name;
    std::string photo;        // the file
    std::string entries;      // the PDF image's filter, colour space and decode array
    std::string data;         // its stream
    std::string icc;          // its ICC colour space, when it has one
    int components = 3;
    int alpha = 255;
};

ColourCase jpeg_case(const char* name, test::Colours colours, const std::string& entries, const std::string& icc = "",
                     test::Coding coding = test::Coding::Baseline) {
    const std::string jpeg = test::make_jpeg(
        {.width = kSide, .height = kSide, .coding = coding, .colours = colours, .pixel = patch_colour, .icc = icc});
    const int components = colours == test::Colours::Gray ? 1 : colours == test::Colours::Rgb ? 3 : 4;
    return {name, jpeg, "/Filter /DCTDecode " + entries, jpeg, icc, components};
}

ColourCase png_case(const char* name, bool grey, const std::string& icc, int alpha = 255) {
    return {name,
            test::make_png({.width = kSide, .height = kSide, .pixel = patch_colour, .alpha = alpha, .grey = grey, .icc = icc}),
            "",
            raw_samples(grey),
            icc,
            grey ? 1 : 3,
            alpha};
}

// Each photo's patches in the preview against the same samples rendered by pdftoppm, which shows
// ICC-based colours through lcms2 in sRGB and device CMYK through its own ink model. Without the
// conversions the wide-gamut, linear and CMYK patches miss by far more than the rounding allowed.
TEST(PhotoColours, PreviewShowsWhatAColourManagedReaderShowsOfThePdf) {
    using test::Colours;
    const std::string wide = test::wide_gamut_profile();
    const std::string linear = test::linear_grey_profile();
    const std::string cmyk = test::cmyk_profile();
    const std::vector<ColourCase> cases{
        jpeg_case("RGB JPEG, wide-gamut profile", Colours::Rgb, "", wide),
        jpeg_case("arithmetic RGB JPEG, wide-gamut profile", Colours::Rgb, "", wide, test::Coding::Arithmetic),
        jpeg_case("grey JPEG, linear profile", Colours::Gray, "", linear),
        jpeg_case("CMYK JPEG", Colours::Cmyk, "/ColorSpace /DeviceCMYK"),
        jpeg_case("Adobe CMYK JPEG", Colours::AdobeCmyk, "/ColorSpace /DeviceCMYK " + kAdobeDecode),
        jpeg_case("Adobe YCCK JPEG", Colours::AdobeYcck, "/ColorSpace /DeviceCMYK " + kAdobeDecode),
        jpeg_case("Adobe CMYK JPEG, CMYK profile", Colours::AdobeCmyk, kAdobeDecode, cmyk),
        jpeg_case("plain RGB JPEG", Colours::Rgb, "/ColorSpace /DeviceRGB"),
        png_case("RGB PNG, wide-gamut profile", false, wide),
        png_case("grey PNG, linear profile", true, linear),
        png_case("see-through RGB PNG, wide-gamut profile", false, wide, 160),
        png_case("see-through grey PNG, linear profile", true, linear, 160),
    };
    const TempFolder folder("posteri-colours");
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdf = written(folder, "foto.pdf", pdf_of_image(c.entries, c.data, c.icc, c.components, c.alpha));
        const std::unique_ptr<MemoryBitmap> preview = preview_photo(written(folder, "foto.jpg", c.photo), kSide);
        ASSERT_NE(preview, nullptr);
        cairo_surface_t* shown = shown_pixels(*preview);
        ASSERT_NE(shown, nullptr);
        const Picture rendered = testing::render(pdf, 72, 0, 0, kSide, kSide);
        ASSERT_EQ(rendered.width, kSide);
        for (int y = kPatch / 2; y < kSide; y += kPatch) {
            for (int x = kPatch / 2; x < kSide; x += kPatch) {
                EXPECT_PRED3(testing::near, pixel_at(shown, x, y), rendered.at(x, y), 3) << "patch at " << x << "," << y;
            }
        }
    }
}

// An APP2 segment holding chunk `number` of `count` of an ICC profile, as a JPEG carries it.
std::string icc_segment(int number, int count, const std::string& chunk) {
    const std::string payload = std::string("ICC_PROFILE\0", 12) + static_cast<char>(number) + static_cast<char>(count) + chunk;
    const std::size_t length = payload.size() + 2;
    return std::string("\xFF\xE2", 2) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + payload;
}

// A profile that is damaged, cut short, scattered or of another colour space is left out: the
// photo decodes exactly as without it, and no library says a word.
TEST(PhotoColours, DamagedProfilesLeaveThePhotoAsItIs) {
    const std::string wide = test::wide_gamut_profile();
    std::string scrambled = wide;
    for (std::size_t i = 128; i < scrambled.size(); ++i) scrambled[i] = static_cast<char>(0xFF ^ scrambled[i]);
    const auto rgb_jpeg = [](const std::string& icc) {
        return test::make_jpeg({.width = kSide, .height = kSide, .pixel = patch_colour, .icc = icc});
    };
    const auto spliced = [&](const std::string& segments) { return rgb_jpeg("").insert(2, segments); };
    const std::vector<std::pair<const char*, std::string>> cases{
        {"cut short", rgb_jpeg(wide.substr(0, wide.size() - 40))},
        {"tags scrambled", rgb_jpeg(scrambled)},
        {"CMYK profile on RGB", rgb_jpeg(test::cmyk_profile())},
        {"grey profile on RGB", rgb_jpeg(test::linear_grey_profile())},
        {"chunk 2 of 2 missing", spliced(icc_segment(1, 2, wide))},
        {"chunk numbered 0", spliced(icc_segment(0, 1, wide))},
    };
    const TempFolder folder("posteri-colours");
    const std::unique_ptr<MemoryBitmap> expected = preview_photo(written(folder, "semplice.jpg", rgb_jpeg("")), kSide);
    for (const auto& [name, photo] : cases) {
        SCOPED_TRACE(name);
        ::testing::internal::CaptureStderr();
        const std::unique_ptr<MemoryBitmap> shown = preview_photo(written(folder, "rovinata.jpg", photo), kSide);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        ASSERT_NE(shown, nullptr);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                ASSERT_EQ(pixel_at(shown_pixels(*shown), x, y), pixel_at(shown_pixels(*expected), x, y)) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace posteri

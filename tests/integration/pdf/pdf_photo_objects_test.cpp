// SPDX-License-Identifier: GPL-3.0-or-later
// Photos printed on a PDF page in their own data: the image object poppler finds, its stream against
// the file's own bytes, and the colours poppler renders against the preview.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <tuple>

#include "platform/pdf/cairo_pdf_page.h"
#include "platform/photos/jpeg_codec.h"
#include "platform/photos/png/png_image.h"
#include "platform/windows/preview_photo.h"
#include "support/pdf_test_support.h"
#include "support/temp_folder.h"
#include "support/test_heif.h"
#include "support/test_photos.h"
#include "support/test_webp.h"

namespace posteri {
namespace {

using namespace posteri::testing;
using test::Colours;

constexpr int kSide = 64;   // the photo, and the page in pixels at 72 dpi, which it fills
constexpr int kPatch = 16;  // 4 x 4 patches of one colour each, on whole JPEG blocks

// Saturated and half colours, greys, a dark and a skin tone: where colour spaces differ most.
const test::Rgb kPalette[16] = {{255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {255, 255, 0},
                                {0, 255, 255},   {255, 0, 255},   {128, 0, 0},     {0, 128, 64},
                                {255, 255, 255}, {192, 192, 192}, {96, 96, 96},    {24, 24, 24},
                                {230, 180, 150}, {40, 60, 120},   {250, 128, 30},  {0, 0, 0}};

test::Rgb patch_colour(int x, int y) {
    return kPalette[y / kPatch * 4 + x / kPatch];
}

std::string jpeg_of(Colours colours, const std::string& icc = "", test::Coding coding = test::Coding::Baseline) {
    return test::make_jpeg(
        {.width = kSide, .height = kSide, .coding = coding, .colours = colours, .pixel = patch_colour, .icc = icc});
}

std::string png_of(int colour_type, int bit_depth, const std::string& icc = "", int alpha = 255) {
    return test::make_png({.width = kSide, .height = kSide, .colour_type = colour_type, .bit_depth = bit_depth,
                           .alpha = alpha, .icc = icc, .pixel = patch_colour});
}

std::string webp_of(bool lossless, const std::string& icc, int alpha = 255) {
    return test::make_webp({.width = kSide,
                            .height = kSide,
                            .lossless = lossless,
                            .alpha = alpha,
                            .pixel = patch_colour,
                            .icc = icc});
}

std::string heif_of(const test::HeifSpec& recipe) {
    test::HeifSpec patches = recipe;
    patches.width = patches.height = kSide;
    patches.pixel = patch_colour;
    return test::make_heif(patches);
}

std::string written(const TempFolder& folder, const char* name, const std::string& bytes) {
    const std::string path = (folder.path() / name).string();
    test::write_file(path, bytes);
    return path;
}

// The PDF page a printer makes of the photo.
std::string printed(const MemoryBitmap& photo) {
    std::string pdf;
    PdfPage page(SheetMetrics{kSide, kSide, 0, 0, kSide, kSide, 72, 72}, "foto",
                 [&pdf](const unsigned char* data, unsigned int length) {
                     pdf.append(reinterpret_cast<const char*>(data), length);
                 });
    page.stretch_bitmap(photo, {0, 0, kSide - 1, kSide - 1}, {0, 0, kSide - 1, kSide - 1});
    EXPECT_TRUE(page.finish());
    return pdf;
}

// The image object's dictionary and the stream that follows it, as the page wrote them.
std::pair<std::string, std::string> image_object(const std::string& pdf) {
    const std::size_t type = pdf.find("/Subtype /Image");
    const std::size_t start = pdf.find(">>\nstream\n", type);
    const std::size_t length_at = pdf.find("/Length ", type);
    if (type == std::string::npos || start == std::string::npos || length_at > start) return {};
    return {pdf.substr(type, start - type), pdf.substr(start + 10, std::stoul(pdf.substr(length_at + 8)))};
}

// The pixels the preview draws: a JPEG's decoded stand-in, or a photo decoded whole.
Rgb shown_at(const MemoryBitmap& photo, int x, int y) {
    const auto& bitmap = dynamic_cast<const CairoBitmap&>(photo);
    const EmbeddedPhoto* embedded = bitmap.embedded();
    cairo_surface_t* pixels = embedded != nullptr && embedded->image == nullptr ? embedded->proxy : bitmap.pixels();
    cairo_surface_flush(pixels);
    const unsigned char* p = cairo_image_surface_get_data(pixels) + y * cairo_image_surface_get_stride(pixels) + x * 4;
    return {p[2], p[1], p[0]};
}

struct Row {
    const char* name;
    std::string photo;
    const char* colour_space;  // as pdfimages names it
    int bits;
    const char* coding;        // "jpeg" for DCT, "image" for Flate
    bool decode_array;
    bool predictor;
};

// Each photo's image object, its stream against the file's own bytes, and its patches as pdftoppm
// renders the page (ICC colours through lcms2 in sRGB, device CMYK through its ink model) against
// the preview of the same photo: what the user sees before printing is what a reader shows after.
TEST(PdfPhotoObjects, PhotosReachThePageInTheirOwnDataAndThePreviewInItsColours) {
    const std::string wide = test::wide_gamut_profile();
    const std::string linear = test::linear_grey_profile();
    const Row rows[] = {
        {"RGB JPEG, wide-gamut profile", jpeg_of(Colours::Rgb, wide), "icc", 8, "jpeg", false, false},
        {"arithmetic RGB JPEG, wide-gamut profile", jpeg_of(Colours::Rgb, wide, test::Coding::Arithmetic),
         "icc", 8, "jpeg", false, false},
        {"grey JPEG, linear profile", jpeg_of(Colours::Gray, linear), "icc", 8, "jpeg", false, false},
        {"RGB JPEG, profile cut short", jpeg_of(Colours::Rgb, wide.substr(0, wide.size() - 40)), "rgb", 8,
         "jpeg", false, false},
        {"CMYK JPEG", jpeg_of(Colours::Cmyk), "cmyk", 8, "jpeg", false, false},
        {"Adobe CMYK JPEG", jpeg_of(Colours::AdobeCmyk), "cmyk", 8, "jpeg", true, false},
        {"Adobe YCCK JPEG", jpeg_of(Colours::AdobeYcck), "cmyk", 8, "jpeg", true, false},
        {"Adobe CMYK JPEG, CMYK profile", jpeg_of(Colours::AdobeCmyk, test::cmyk_profile()), "icc", 8, "jpeg",
         true, false},
        {"RGB PNG, wide-gamut profile", png_of(2, 8, wide), "icc", 8, "image", false, true},
        {"grey PNG of 16 bits, linear profile", png_of(0, 16, linear), "icc", 16, "image", false, true},
        {"palette PNG of 2 bits", png_of(3, 2), "index", 2, "image", false, true},
        {"see-through RGB PNG, wide-gamut profile", png_of(6, 8, wide, 160), "rgb", 8, "image", false, false},
        {"lossless WebP, wide-gamut profile", webp_of(true, wide), "icc", 8, "image", false, true},
        {"see-through lossy WebP, wide-gamut profile", webp_of(false, wide, 160), "icc", 8, "image", false,
         true},
        {"Display P3 HEIC", heif_of({.nclx = test::kDisplayP3}), "icc", 8, "image", false, true},
        {"see-through AVIF, wide-gamut profile", heif_of({.avif = true, .alpha = 160, .icc = wide}), "icc", 8,
         "image", false, true},
    };
    const TempFolder folder("posteri-photo-objects");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = written(folder, "foto.jpg", row.photo);
        const auto photo = JpegCodec().load_photo_to_print(path, 1'000'000);
        ASSERT_NE(photo, nullptr);
        const std::string pdf = printed(*photo);
        const std::string file = written(folder, "foto.pdf", pdf);
        EXPECT_EQ(run("qpdf --check " + file + " >/dev/null 2>&1").status, 0);

        std::istringstream listed(run("pdfimages -list " + file + " | tail -n +3").output);
        std::string page, number, type, width, height, colour_space, components, bits, coding;
        listed >> page >> number >> type >> width >> height >> colour_space >> components >> bits >> coding;
        EXPECT_EQ(colour_space, row.colour_space);
        EXPECT_EQ(bits, std::to_string(row.bits));
        EXPECT_EQ(coding, row.coding);
        const auto [dictionary, stream] = image_object(pdf);
        EXPECT_EQ(dictionary.find("/Decode [1 0 1 0 1 0 1 0]") != std::string::npos, row.decode_array);
        EXPECT_EQ(dictionary.find("/Predictor 15") != std::string::npos, row.predictor);
        if (row.coding == std::string("jpeg") && std::string(row.name).find("arithmetic") == std::string::npos) {
            EXPECT_EQ(stream, row.photo);
        } else if (row.predictor && row.photo.starts_with("\x89PNG")) {
            EXPECT_NE(row.photo.find(stream), std::string::npos) << "the file's own IDAT data";
        }

        const auto preview = preview_photo(path, kSide);
        ASSERT_NE(preview, nullptr);
        const Picture rendered = render(file, 72, 0, 0, kSide, kSide);
        ASSERT_EQ(rendered.width, kSide);
        for (int y = kPatch / 2; y < kSide; y += kPatch) {
            for (int x = kPatch / 2; x < kSide; x += kPatch) {
                EXPECT_PRED3(near, shown_at(*preview, x, y), rendered.at(x, y), 3) << "patch at " << x << "," << y;
            }
        }
    }
}

// The ICC profile of the page's image object, as qpdf reads its stream.
std::string image_profile(const std::string& pdf_file, const std::string& dictionary) {
    const std::size_t at = dictionary.find("/ICCBased ");
    if (at == std::string::npos) return {};
    const std::string object = std::to_string(std::stoi(dictionary.substr(at + 10)));
    return run("qpdf --show-object=" + object + " --filtered-stream-data " + pdf_file).output;
}

// The colorants of a display's own Display P3 profile: P3's primaries adapted to D50.
void expect_display_p3_colorants(const std::string& icc) {
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    ASSERT_NE(profile, nullptr);
    for (const auto& [tag, expected] :
         {std::tuple{cmsSigRedColorantTag, cmsCIEXYZ{0.5151, 0.2412, -0.0011}},
          std::tuple{cmsSigGreenColorantTag, cmsCIEXYZ{0.2920, 0.6922, 0.0419}},
          std::tuple{cmsSigBlueColorantTag, cmsCIEXYZ{0.1571, 0.0666, 0.7841}}}) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
        ASSERT_NE(xyz, nullptr);
        EXPECT_NEAR(xyz->X, expected.X, 0.002);
        EXPECT_NEAR(xyz->Y, expected.Y, 0.002);
        EXPECT_NEAR(xyz->Z, expected.Z, 0.002);
    }
    cmsCloseProfile(profile);
}

// How far red stands out of a rendered colour.
int redness(const Rgb& colour) {
    return colour[0] - std::max(colour[1], colour[2]);
}

// A Display P3 photo keeps its gamut on the page: its image carries a profile of P3's primaries, and
// on a wide-gamut display its saturated red renders redder than an sRGB photo's.
TEST(PdfPhotoObjects, DisplayP3PhotosKeepTheirGamut) {
    const TempFolder folder("posteri-photo-p3");
    const std::string display = written(folder, "wide.icc", test::wide_gamut_profile());
    const auto red = [](int, int) { return test::Rgb{255, 0, 0}; };
    std::array<Rgb, 2> rendered{};
    for (const bool p3 : {true, false}) {
        SCOPED_TRACE(p3 ? "Display P3" : "sRGB");
        const std::string path = written(folder, "rosso.heic",
                                         test::make_heif({.width = kSide, .height = kSide, .pixel = red,
                                                          .nclx = p3 ? test::kDisplayP3 : test::kSrgb}));
        const auto photo = JpegCodec().load_photo_to_print(path, kSide * kSide);
        ASSERT_NE(photo, nullptr);
        const std::string pdf = printed(*photo);
        const std::string file = written(folder, "rosso.pdf", pdf);
        const std::string icc = image_profile(file, image_object(pdf).first);
        ASSERT_FALSE(icc.empty());
        if (p3) expect_display_p3_colorants(icc);
        const Picture page = render(file, 72, 0, 0, kSide, kSide, 1, true, display);
        rendered[p3 ? 0 : 1] = page.at(kSide / 2, kSide / 2);
    }
    EXPECT_GT(redness(rendered[0]), redness(rendered[1]) + 10);
}

// Checksums say nothing of what a writer stored: a small PNG is carried in its own data, read
// across its chunks, only when that data inflates to exactly its rows, each with a filter type PNG
// knows. Any other is decoded instead, so that no reader meets a Flate stream it cannot read.
TEST(PdfPhotoObjects, PngDataIsCarriedOnlyWhenItInflatesToItsRows) {
    const std::size_t stride = 1 + 3 * kSide;
    std::string rows(kSide * stride, '\x40');
    for (std::size_t at = 0; at < rows.size(); at += stride) rows[at] = 0;  // filter type None
    std::string unknown_filter = rows;
    unknown_filter[5 * stride] = 5;
    for (const auto& [name, data, carried] :
         {std::tuple{"whole rows", test::deflated(rows), true},
          std::tuple{"half the rows", test::deflated(rows.substr(0, rows.size() / 2)), false},
          std::tuple{"a row too many", test::deflated(rows + rows.substr(0, stride)), false},
          std::tuple{"a row of filter type 5", test::deflated(unknown_filter), false},
          std::tuple{"no deflate stream", rows, false}}) {
        SCOPED_TRACE(name);
        const auto png = std::make_shared<const ByteBlock>(test::png_holding(kSide, kSide, 2, data, 7));
        EXPECT_EQ(png_image(png).has_value(), carried);
    }
}

// The writer's splice on output of cairo's form: a placeholder's image object whose length is
// object 2, or given, with a table of both objects' offsets, or none. The table must point at every
// object after the splice; a profile goes only where the length object was; without a table, the
// writer says it failed.
TEST(PdfPhotoObjects, SplicedOutputKeepsItsTableTrueOrFails) {
    PdfImage made;
    made.block = std::make_shared<const ByteBlock>(std::string("AAAABBBBBB"));
    made.data = {made.block->view().substr(0, 4), made.block->view().substr(4)};
    made.icc = "profilo";
    const auto image = with_placeholder(made);
    for (const auto& [length, with_table, written] : {std::tuple{"2 0 R", true, true}, std::tuple{"33", true, true},
                                                      std::tuple{"2 0 R", false, false}}) {
        SCOPED_TRACE(length);
        std::string cairo = "%PDF-1.5\n";
        std::vector<std::size_t> offsets{cairo.size()};
        cairo += "1 0 obj\n<< /Length " + std::string(length) + "\n   /Subtype /Image\n>>\nstream\n" +
                 image->placeholder + "\nendstream\nendobj\n";
        offsets.push_back(cairo.size());
        cairo += "2 0 obj\n   33\nendobj\n";
        const std::size_t table = cairo.size();
        if (with_table) cairo += "xref\n0 3\n0000000000 65535 f \n";
        for (const std::size_t offset : offsets) {
            if (with_table) cairo += std::string(10 - std::to_string(offset).size(), '0') + std::to_string(offset) + " 00000 n \n";
        }
        cairo += "trailer\n<< /Size 3 >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
        std::string out;
        PhotoObjectWriter writer([&out](const unsigned char* data, unsigned int size) {
            out.append(reinterpret_cast<const char*>(data), size);
        });
        writer.add(image);
        writer.write(reinterpret_cast<const unsigned char*>(cairo.data()), static_cast<unsigned int>(cairo.size()));
        ASSERT_EQ(writer.finish(), written);
        if (!written) continue;
        EXPECT_NE(out.find("stream\nAAAABBBBBB\nendstream"), std::string::npos);
        EXPECT_EQ(out.find("/ICCBased 2 0 R") != std::string::npos, std::string(length) == "2 0 R");
        const std::size_t moved_table = std::stoul(out.substr(out.rfind("startxref\n") + 10));
        ASSERT_EQ(out.compare(moved_table, 5, "xref\n"), 0);
        for (const int object : {1, 2}) {
            const std::size_t at = std::stoul(out.substr(moved_table + 9 + 20 * static_cast<std::size_t>(object), 10));
            EXPECT_EQ(out.compare(at, 8, std::to_string(object) + " 0 obj\n"), 0) << object;
        }
    }
}

}  // namespace
}  // namespace posteri

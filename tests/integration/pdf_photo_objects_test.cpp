// SPDX-License-Identifier: GPL-3.0-or-later
// Photos printed on a PDF page in their own data: the image object poppler finds, its stream against
// the file's own bytes, and the colours poppler renders against the photo as the program decodes it.
#include <gtest/gtest.h>
#include <lcms2.h>

#include "integration/pdf_test_support.h"
#include "integration/test_photos.h"
#include "platform/linux/jpeg_codec.h"
#include "platform/linux/pdf_page.h"
#include "support/temp_folder.h"

namespace posteri {
namespace {

using namespace posteri::testing;
using test::Colours;

constexpr int kSide = 640;  // the page, in pixels at 72 dpi; the photo fills it

std::string saved_profile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// A wide-gamut RGB space (Adobe RGB's primaries, gamma 2.2), whose colours sRGB shows duller.
std::string wide_rgb_profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    const std::string bytes = saved_profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(gamma);
    return bytes;
}

// A grey space of gamma 1.0, which shows a mid grey much lighter than sRGB's.
std::string linear_grey_profile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const std::string bytes = saved_profile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

// Quadrants of muted colours, which a wide-gamut space and sRGB show differently (their saturated
// primaries would both be clipped to sRGB's).
test::Rgb muted(int x, int y) {
    const test::Rgb c = test::quadrant_colour(x, y, 64, 48);
    return {90 + c.r * 90 / 255, 90 + c.g * 90 / 255, 90 + c.b * 90 / 255};
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

// The image object's dictionary and the stream that follows it, as the page wrote them.
std::pair<std::string, std::string> image_object(const std::string& pdf) {
    const std::size_t type = pdf.find("/Subtype /Image");
    const std::size_t start = pdf.find(">>\nstream\n", type);
    const std::size_t length_at = pdf.find("/Length ", type);
    if (type == std::string::npos || start == std::string::npos || length_at > start) return {};
    const std::size_t length = std::stoul(pdf.substr(length_at + 8));
    return {pdf.substr(type, start - type), pdf.substr(start + 10, length)};
}

Rgb decoded_colour(const MemoryBitmap& photo, int x, int y) {
    cairo_surface_t* pixels = dynamic_cast<const CairoBitmap&>(photo).pixels();
    cairo_surface_flush(pixels);
    const unsigned char* p = cairo_image_surface_get_data(pixels) + y * cairo_image_surface_get_stride(pixels) + x * 4;
    return {p[2], p[1], p[0]};
}

TEST(PdfPhotoObjects, PhotosReachThePageInTheirOwnDataAndColours) {
    const std::string wide = wide_rgb_profile();
    const std::string grey = linear_grey_profile();
    const std::string damaged = wide.substr(0, wide.size() - 40);
    const Row rows[] = {
        {"RGB with a profile", test::make_jpeg({.pixel = muted, .icc = wide}), "icc", 8, "jpeg", false, false},
        {"grey with a profile", test::make_jpeg({.colours = Colours::Gray, .icc = grey}), "icc", 8, "jpeg", false, false},
        {"RGB with a damaged profile", test::make_jpeg({.icc = damaged}), "rgb", 8, "jpeg", false, false},
        {"plain CMYK", test::make_jpeg({.colours = Colours::Cmyk}), "cmyk", 8, "jpeg", false, false},
        {"Adobe CMYK", test::make_jpeg({.colours = Colours::AdobeCmyk}), "cmyk", 8, "jpeg", true, false},
        {"YCCK", test::make_jpeg({.colours = Colours::Ycck}), "cmyk", 8, "jpeg", true, false},
        {"PNG RGB with a profile", test::make_png(test::PngSpec{.icc = wide, .pixel = muted}), "icc", 8, "image", false, true},
        {"PNG palette", test::make_png(test::PngSpec{.colour_type = 3, .bit_depth = 2}), "index", 2, "image", false, true},
        {"PNG grey of 16 bits", test::make_png(test::PngSpec{.colour_type = 0, .bit_depth = 16}), "gray", 16, "image", false, true},
        {"PNG with alpha", test::make_png(64, 48, [](int x, int y) { return test::quadrant_colour(x, y, 64, 48); }), "rgb", 8, "image", false, false},
    };
    const TempFolder folder("posteri-photo-objects");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = (folder.path() / "foto.jpg").string();
        test::write_file(path, row.photo);
        JpegCodec codec;
        const auto photo = codec.load_photo_to_print(path, 1'000'000);
        ASSERT_NE(photo, nullptr);
        std::string pdf;
        PdfPage page(SheetMetrics{kSide, kSide, 0, 0, kSide, kSide, 72, 72}, "foto",
                     [&pdf](const unsigned char* data, unsigned int length) {
                         pdf.append(reinterpret_cast<const char*>(data), length);
                     });
        page.stretch_bitmap(*photo, {0, 0, photo->width() - 1, photo->height() - 1}, {0, 0, kSide - 1, kSide - 1});
        ASSERT_TRUE(page.finish());
        const fs::path file = folder.path() / "foto.pdf";
        std::ofstream(file, std::ios::binary) << pdf;
        EXPECT_EQ(run("qpdf --check " + quoted(file) + " >/dev/null 2>&1").status, 0);

        std::istringstream listed(run("pdfimages -list " + quoted(file) + " | tail -n +3").output);
        std::string page_number, number, type, width, height, colour_space, components, bits, coding;
        listed >> page_number >> number >> type >> width >> height >> colour_space >> components >> bits >> coding;
        EXPECT_EQ(colour_space, row.colour_space);
        EXPECT_EQ(bits, std::to_string(row.bits));
        EXPECT_EQ(coding, row.coding);
        const auto [dictionary, stream] = image_object(pdf);
        EXPECT_EQ(dictionary.find("/Decode [1 0 1 0 1 0 1 0]") != std::string::npos, row.decode_array);
        EXPECT_EQ(dictionary.find("/Predictor 15") != std::string::npos, row.predictor);
        if (row.coding == std::string("jpeg")) {
            EXPECT_EQ(stream, row.photo);
        } else if (row.predictor) {
            EXPECT_NE(row.photo.find(stream), std::string::npos) << "the file's own IDAT data";
        }

        const Picture rendered = render(file, 72, 0, 0, kSide, kSide);
        ASSERT_EQ(rendered.width, kSide);
        for (const auto& [x, y] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{1, 3}, std::pair{3, 3}}) {
            const Rgb expected = decoded_colour(*photo, x * photo->width() / 4, y * photo->height() / 4);
            const Rgb shown = rendered.at(x * kSide / 4, y * kSide / 4);
            EXPECT_TRUE(near(shown, expected, 12)) << "quadrant " << x << "," << y << ": " << shown[0] << " "
                                                   << shown[1] << " " << shown[2] << " against " << expected[0]
                                                   << " " << expected[1] << " " << expected[2];
        }
    }
}

// cairo's output as the writer meets it: a placeholder's image object whose length is the object
// `length_object` (0: given in the dictionary), and a table of both objects' offsets unless told.
std::string cairo_like_output(const PdfImage& image, int length_object, bool with_xref) {
    std::string pdf = "%PDF-1.5\n";
    std::vector<std::size_t> offsets{pdf.size()};
    pdf += "1 0 obj\n<< /Length " + (length_object > 0 ? std::to_string(length_object) + " 0 R" : std::to_string(image.placeholder.size())) +
           "\n   /Subtype /Image\n>>\nstream\n" + image.placeholder + "\nendstream\nendobj\n";
    offsets.push_back(pdf.size());
    pdf += "2 0 obj\n   " + std::to_string(image.placeholder.size()) + "\nendobj\n";
    const std::size_t xref = pdf.size();
    if (with_xref) {
        pdf += "xref\n0 3\n0000000000 65535 f \n";
        for (const std::size_t offset : offsets) pdf += std::string(10 - std::to_string(offset).size(), '0') + std::to_string(offset) + " 00000 n \n";
    }
    return pdf + "trailer\n<< /Size 3 >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

// Whatever cairo's output, the writer gives a PDF whose table points at its objects, or says it
// could not: a profile goes where the placeholder's length was, and is left out where there was none.
TEST(PdfPhotoObjects, SplicedOutputKeepsItsTableTrueOrFails) {
    PdfImage made;
    made.block = std::make_shared<const ByteBlock>(std::string("AAAA") + "BBBBBB");
    made.data = {made.block->view().substr(0, 4), made.block->view().substr(4)};
    made.width = 2;
    made.height = 1;
    made.icc = "profilo";
    const auto image = with_placeholder(made);
    struct Case {
        const char* name;
        int length_object;
        bool with_xref;
        bool written;
        bool profile;
    };
    for (const Case& c : {Case{"length in an object", 2, true, true, true}, Case{"length given", 0, true, true, false},
                          Case{"no table", 2, false, false, false}}) {
        SCOPED_TRACE(c.name);
        std::string out;
        PhotoObjectWriter writer([&out](const unsigned char* data, unsigned int length) {
            out.append(reinterpret_cast<const char*>(data), length);
        });
        writer.add(image);
        const std::string cairo = cairo_like_output(*image, c.length_object, c.with_xref);
        writer.write(reinterpret_cast<const unsigned char*>(cairo.data()), static_cast<unsigned int>(cairo.size()));
        EXPECT_EQ(writer.finish(), c.written);
        if (!c.written) continue;
        EXPECT_NE(out.find("stream\nAAAABBBBBB\nendstream"), std::string::npos);
        EXPECT_EQ(out.find("/ICCBased 2 0 R") != std::string::npos, c.profile);
        const std::size_t table = std::stoul(out.substr(out.rfind("startxref\n") + 10));
        ASSERT_EQ(out.compare(table, 5, "xref\n"), 0);
        for (int object = 1; object <= 2; ++object) {
            const std::size_t at = std::stoul(out.substr(table + 9 + 20 * static_cast<std::size_t>(object), 10));
            EXPECT_EQ(out.compare(at, 8, std::to_string(object) + " 0 obj\n"), 0) << object;
        }
    }
}

}  // namespace
}  // namespace posteri

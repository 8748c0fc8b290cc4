// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF photos made by libtiff's and ImageMagick's own tools, printed: which go into the PDF as their
// own strips and which decoded, their colour space, depth and profile, their rendered colours and
// orientation; cut files and headers claiming more than the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "integration/pdf/builtin_printers_fixture.h"
#include "platform/photos/cairo_bitmap.h"
#include "support/bitmap_colours.h"

namespace posteri::testing {
namespace {

constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlack{0, 0, 0};

class TiffReaderTest : public BuiltinPdfPrintersTest {
  protected:
    // Runs a tool over files in the working folder.
    static void make(const std::string& command) {
        const CommandResult made = run(command + " 2>&1");
        ASSERT_EQ(made.status, 0) << command << ": " << made.output;
    }

    // The photo printed on its own on a page at two rendered pixels a pixel: the PDF.
    fs::path print_photo(const std::string& file) {
        const auto photo = codec_.load_photo_to_print((dir_ / file).string(), 1'000'000);
        EXPECT_NE(photo, nullptr) << file;
        if (photo == nullptr) return {};
        EXPECT_FALSE(photo->incomplete());
        size_ = {photo->width(), photo->height()};
        return print("pdfcreator A4", file, [&](Printers& p) {
            p.stretch_bitmap(*photo, PixelRect{0, 0, size_[0] - 1, size_[1] - 1},
                             DeviceRect{0, 0, size_[0] * 20.0 - 1, size_[1] * 20.0 - 1});
        });
    }

    // Colours at the centres of the upright photo's quadrants: top left, top right, bottom left, bottom
    // right.
    std::array<Rgb, 4> quadrants(const fs::path& pdf) const {
        const Picture page = render(pdf, 60, 0, 0, size_[0] * 2, size_[1] * 2);
        const int w = size_[0], h = size_[1];
        return {page.at(w / 2, h / 2), page.at(w * 3 / 2, h / 2), page.at(w / 2, h * 3 / 2),
                page.at(w * 3 / 2, h * 3 / 2)};
    }

    // The first page's strips' bytes as tiffinfo places them in the file.
    std::vector<std::string> strips_of(const std::string& file) const {
        std::istringstream listing(run("tiffinfo -s " + quoted(dir_ / file) + " 2>/dev/null").output);
        const std::string bytes = file_content(dir_ / file);
        std::vector<std::string> strips;
        std::string line;
        for (int pages = 0;
             std::getline(listing, line) && (pages += line.starts_with("TIFF Directory")) < 2;) {
            unsigned long long offset = 0, count = 0;
            if (std::sscanf(line.c_str(), " %*u: [ %llu, %llu]", &offset, &count) == 2)
                strips.push_back(bytes.substr(offset, count));
        }
        return strips;
    }

    JpegCodec codec_;
    std::array<int, 2> size_{};
};

// One table over the ways TIFFs are written. Each row: how the file is made from a 64 x 48 quadrant
// photo (red, green / blue, white), the image object pdfimages lists, what its dictionary says,
// whether the PDF carries the file's own strips, and the upright quadrants' colours.
TEST_F(TiffReaderTest, EachVariantPrintsItsOwnStripsWherePdfCarriesThemElseDecoded) {
    make(
        "convert -size 32x24 xc:red xc:lime +append \\( -size 32x24 xc:blue xc:white +append \\) -append "
        "quadranti.png");
    test::write_file((dir_ / "cmyk.icc").string(), test::cmyk_profile());
    make(
        "convert quadranti.png -type TrueColor -depth 8 -compress none -define tiff:rows-per-strip=5 "
        "nudo.tif");
    make(
        "convert quadranti.png -type TrueColor -depth 16 -compress none grezzo16.tif && tiffcp -B "
        "grezzo16.tif nudo16.tif");
    make(
        "convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' -monochrome -compress group4 "
        "fax.tif");
    make("tiffcp -p separate nudo.tif piani.tif");
    make(
        "convert quadranti.png -type TrueColor -compress none -define tiff:rows-per-strip=48 pagina1.tif && "
        "convert -size 64x48 xc:black -type TrueColor -compress none pagina2.tif && "
        "tiffcp pagina1.tif pagina2.tif pagine.tif");
    const std::array kQuadrants{kRed, kGreen, kBlue, kWhite};
    struct Variant {
        const char* file;
        const char* command;  // "" when made above
        const char* listed;   // pdfimages -list: width height colour components bits coding
        const char* says;     // in the image object's dictionary
        bool own;
        std::array<Rgb, 4> colours;
    };
    for (const Variant& v : {
             Variant{"deflate.tif",
                     "convert quadranti.png -type TrueColor -compress zip -define tiff:predictor=2 -define "
                     "tiff:rows-per-strip=48",
                     "64 48 rgb 3 8 image",
                     "/DecodeParms << /BitsPerComponent 8 /Colors 3 /Columns 64 /Predictor 2", true,
                     kQuadrants},
             Variant{"lzw.tif",
                     "convert quadranti.png -type TrueColor -compress lzw -define tiff:rows-per-strip=48",
                     "64 48 rgb 3 8 image", "/Filter /LZWDecode", true, kQuadrants},
             Variant{"nudo.tif", "", "64 48 rgb 3 8 image", "/Length 9216", true, kQuadrants},
             Variant{"jpeg.tif", "tiffcp -c jpeg -r 48 nudo.tif", "64 48 rgb 3 8 jpeg", "/DCTDecode", true,
                     kQuadrants},
             Variant{"sedici.tif", "convert quadranti.png -type TrueColor -depth 16 -compress zip",
                     "64 48 rgb 3 16 image", "/Predictor 15", false, kQuadrants},
             Variant{"nudo16.tif", "", "64 48 rgb 3 16 image", "/BitsPerComponent 16", true, kQuadrants},
             Variant{"cmyk.tif",
                     "convert quadranti.png -colorspace cmyk -type ColorSeparation -profile cmyk.icc "
                     "-compress zip -define tiff:rows-per-strip=48",
                     "64 48 icc 4 8 image", "/ICCBased", true, kQuadrants},
             Variant{"fax.tif",
                     "",
                     "64 48 gray 1 1 ccitt",
                     "/BlackIs1 false /Columns 64 /K -1 /Rows 48",
                     true,
                     {kBlack, kWhite, kBlack, kWhite}},
             Variant{"tiled.tif", "tiffcp -t -w 16 -l 16 nudo.tif", "64 48 rgb 3 8 image", "/Predictor 15",
                     false, kQuadrants},
             Variant{"piani.tif", "", "64 48 rgb 3 8 image", "/Predictor 15", false, kQuadrants},
             Variant{"pagine.tif", "", "64 48 rgb 3 8 image", "/Length 9216", true, kQuadrants},
             Variant{"girata.tif",
                     "convert quadranti.png -type TrueColor -compress lzw -orient RightTop",
                     "64 48 rgb 3 8 image",
                     "/LZWDecode",
                     true,
                     {kBlue, kRed, kWhite, kGreen}},
         }) {
        SCOPED_TRACE(v.file);
        if (*v.command != '\0') make(std::string(v.command) + " " + v.file);
        const fs::path pdf = print_photo(v.file);
        const std::vector<ImageRow> rows = image_rows(pdf);
        ASSERT_EQ(rows.size(), 1u);
        const std::string awk = " | awk 'NR == 3 {print $4, $5, $6, $7, $8, $9}'";
        const std::string listed = run("pdfimages -list " + quoted(pdf) + awk).output;
        EXPECT_EQ(listed, std::string(v.listed) + "\n");
        const std::string object = "--show-object=" + rows[0].object + " ";
        EXPECT_NE(run("qpdf " + object + quoted(pdf)).output.find(v.says), std::string::npos);
        const std::string stream = run("qpdf --raw-stream-data " + object + quoted(pdf)).output;
        // A JPEG strip follows its tables, without its own start of image.
        const std::size_t skipped = rows[0].size_and_coding.ends_with("jpeg") ? 2 : 0;
        std::string joined;
        for (const std::string& strip : strips_of(v.file)) joined += strip.substr(skipped);
        EXPECT_EQ(stream.ends_with(joined) && !joined.empty(), v.own);
        const std::array<Rgb, 4> seen = quadrants(pdf);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(near(seen[i], v.colours[i])) << "quadrant " << i;
    }
}

// A TIFF of one uncompressed grey strip at `offset`, `width` x `height` as its header claims, in 1 KB.
std::string tiff_claiming(std::uint32_t width, std::uint32_t height, std::uint32_t offset) {
    const auto u16 = [](std::string& out, unsigned value) { out += {char(value & 0xFF), char(value >> 8)}; };
    const auto u32 = [&](std::string& out, std::uint32_t value) {
        u16(out, value & 0xFFFF), u16(out, value >> 16);
    };
    const std::uint64_t bytes = std::min<std::uint64_t>(std::uint64_t{width} * height, 0xFFFFFFFF);
    const std::array<std::array<std::uint32_t, 3>, 9> entries{{{256, 4, width},
                                                               {257, 4, height},
                                                               {258, 3, 8},
                                                               {259, 3, 1},
                                                               {262, 3, 1},
                                                               {273, 4, offset},
                                                               {277, 3, 1},
                                                               {278, 4, height},
                                                               {279, 4, static_cast<std::uint32_t>(bytes)}}};
    std::string tiff = "II*";
    tiff += '\0';
    u32(tiff, 8);
    u16(tiff, entries.size());
    for (const auto& [tag, type, value] : entries) {
        u16(tiff, tag), u16(tiff, type), u32(tiff, 1), u32(tiff, value);
    }
    u32(tiff, 0);
    tiff.resize(1024, '\x80');
    return tiff;
}

// Facts from the first page's directory: resolution in either unit or 96 dpi without one, and
// the orientation, which turns the photo shown on the screen too.
TEST_F(TiffReaderTest, FactsAndScreenPixelsComeUpright) {
    make(
        "convert -size 32x24 xc:red xc:lime +append \\( -size 32x24 xc:blue xc:white +append \\) -append "
        "quadranti.png");
    test::write_file((dir_ / "senza.tif").string(), tiff_claiming(32, 24, 200));
    for (const auto& [file, command, facts, top_left] :
         {std::tuple{"pollici.tif", "-units PixelsPerInch -density 300x200 -orient RightTop",
                     PhotoFacts{48, 64, 200, 300}, test::kBlue},
          std::tuple{"centimetri.tif", "-units PixelsPerCentimeter -density 100",
                     PhotoFacts{64, 48, 254, 254}, test::kRed},
          std::tuple{"senza.tif", "", PhotoFacts{32, 24, 96, 96}, test::Rgb{128, 128, 128}}}) {
        SCOPED_TRACE(file);
        if (*command != '\0')
            make(std::string("convert quadranti.png -type TrueColor ") + command + " " + file);
        const std::string path = (dir_ / file).string();
        const auto facts_read = codec_.facts(path);
        ASSERT_TRUE(facts_read.has_value());
        EXPECT_NEAR(facts_read->dpi_x, facts.dpi_x, 0.5);
        EXPECT_NEAR(facts_read->dpi_y, facts.dpi_y, 0.5);
        EXPECT_EQ(std::pair(facts_read->width, facts_read->height), std::pair(facts.width, facts.height));
        const auto shown = codec_.load_photo(path);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(std::pair(shown->width(), shown->height()), std::pair(facts.width, facts.height));
        EXPECT_THAT(test::colour_at(codec_, *shown, 4, 4), test::LooksLike(top_left));
    }
}

// A page carries no more decoded pixels than its printer's dots, a photo one pixel wide too; its own
// strips at their own size.
TEST_F(TiffReaderTest, DecodedPixelsAreAtMostTheSheetsDotsOwnStripsTheirOwn) {
    make(
        "convert -size 640x480 gradient:red-blue -type TrueColor -depth 8 -compress zip -define "
        "tiff:rows-per-strip=480 "
        "proprio.tif && tiffcp -t -w 64 -l 64 proprio.tif piastrelle.tif && convert -size 1x400 "
        "gradient:red-blue "
        "-type TrueColor -depth 8 alta.tif && tiffcp -t -w 16 -l 16 alta.tif colonna.tif");
    for (const auto& [file, most_pixels, width, height] :
         {std::tuple{"piastrelle.tif", 640LL * 480, 640, 480},
          std::tuple{"piastrelle.tif", 640LL * 480 - 1, 639, 479}, std::tuple{"piastrelle.tif", 1LL, 1, 1},
          std::tuple{"proprio.tif", 64LL * 48, 640, 480}, std::tuple{"colonna.tif", 100LL, 1, 100}}) {
        SCOPED_TRACE(std::string(file) + " " + std::to_string(most_pixels));
        const auto printed = codec_.load_photo_to_print((dir_ / file).string(), most_pixels);
        ASSERT_NE(printed, nullptr);
        const PdfImage& image = *dynamic_cast<const CairoBitmap&>(*printed).embedded()->image;
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(width, height));
    }
}

// Damaged strips print the rows before them, the rest white, marked incomplete; a file cut before
// its directory (libtiff writes it last) and headers claiming more than 64 megapixels, or strips
// past the file's end, give no photo, refused before any pixel is allocated.
TEST_F(TiffReaderTest, DamagedFilesPrintTheirReadablePartAndImpossibleHeadersNothing) {
    make(
        "convert -size 64x48 xc:red -size 64x48 xc:blue -append -type TrueColor -compress zip "
        "-define tiff:rows-per-strip=8 intera.tif");
    const std::string whole = file_content(dir_ / "intera.tif");
    std::string damaged = whole;
    const std::string seventh = strips_of("intera.tif").at(6);
    damaged.replace(damaged.find(seventh), seventh.size(), seventh.size(), '\xFF');
    for (const auto& [name, bytes, incomplete, bottom] :
         {std::tuple{"whole", whole, false, test::kBlue},
          std::tuple{"damaged", damaged, true, test::kWhite}}) {
        SCOPED_TRACE(name);
        test::write_file((dir_ / "foto.tif").string(), bytes);
        const auto printed = codec_.load_photo_to_print((dir_ / "foto.tif").string(), 64 * 96);
        ASSERT_NE(printed, nullptr);
        EXPECT_EQ(printed->incomplete(), incomplete);
        EXPECT_THAT(test::colour_at(codec_, *printed, 0, 0), test::LooksLike(test::kRed));
        EXPECT_THAT(test::colour_at(codec_, *printed, 63, 95), test::LooksLike(bottom));
    }
    for (const auto& [name, bytes] : {std::tuple{"cut", whole.substr(0, whole.size() * 6 / 10)},
                                      std::tuple{"100000 x 100000", tiff_claiming(100000, 100000, 200)},
                                      std::tuple{"8001 x 8000", tiff_claiming(8001, 8000, 200)},
                                      std::tuple{"strips past the end", tiff_claiming(8000, 8000, 5000)}}) {
        SCOPED_TRACE(name);
        test::write_file((dir_ / "foto.tif").string(), bytes);
        EXPECT_EQ(codec_.facts((dir_ / "foto.tif").string()), std::nullopt);
        EXPECT_EQ(codec_.load_photo_to_print((dir_ / "foto.tif").string(), 1000), nullptr);
    }
    test::write_file((dir_ / "foto.tif").string(), tiff_claiming(8000, 8000, 200));
    EXPECT_EQ(codec_.facts((dir_ / "foto.tif").string()), (PhotoFacts{8000, 8000, 96, 96}));
}

}  // namespace
}  // namespace posteri::testing

// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF photos made by libtiff's and ImageMagick's own tools, printed: which go into the PDF as their
// own strips and which decoded, their colour space, depth and profile, their rendered colours and
// orientation; cut files and headers claiming more than the file holds.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "integration/pdf/builtin_printers_fixture.h"
#include "platform/photos/cairo_bitmap.h"

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

    // Colours at the centres of the upright photo's quadrants: top left, top right, bottom left, bottom right.
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
        for (int pages = 0; std::getline(listing, line) && (pages += line.starts_with("TIFF Directory")) < 2;) {
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
    make("convert -size 32x24 xc:red xc:lime +append \\( -size 32x24 xc:blue xc:white +append \\) -append "
         "quadranti.png");
    test::write_file((dir_ / "cmyk.icc").string(), test::cmyk_profile());
    make("convert quadranti.png -type TrueColor -depth 8 -compress none -define tiff:rows-per-strip=5 nudo.tif");
    make("convert quadranti.png -type TrueColor -depth 16 -compress none grezzo16.tif && tiffcp -B grezzo16.tif nudo16.tif");
    make("convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' -monochrome -compress group4 "
         "fax.tif");
    make("tiffcp -p separate nudo.tif piani.tif");
    make("convert quadranti.png -type TrueColor -compress none -define tiff:rows-per-strip=48 -density 300 pagina1.tif && "
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
                     "convert quadranti.png -type TrueColor -compress zip -define tiff:predictor=2 -define tiff:rows-per-strip=48",
                     "64 48 rgb 3 8 image", "/DecodeParms << /BitsPerComponent 8 /Colors 3 /Columns 64 /Predictor 2",
                     true, kQuadrants},
             Variant{"lzw.tif", "convert quadranti.png -type TrueColor -compress lzw -define tiff:rows-per-strip=48",
                     "64 48 rgb 3 8 image", "/Filter /LZWDecode", true, kQuadrants},
             Variant{"nudo.tif", "", "64 48 rgb 3 8 image", "/Length 9216", true, kQuadrants},
             Variant{"jpeg.tif", "tiffcp -c jpeg -r 48 nudo.tif", "64 48 rgb 3 8 jpeg", "/DCTDecode", true,
                     kQuadrants},
             Variant{"sedici.tif", "convert quadranti.png -type TrueColor -depth 16 -compress zip", "64 48 rgb 3 16 image",
                     "/Predictor 15", false, kQuadrants},
             Variant{"nudo16.tif", "", "64 48 rgb 3 16 image", "/BitsPerComponent 16", true, kQuadrants},
             Variant{"cmyk.tif",
                     "convert quadranti.png -colorspace cmyk -type ColorSeparation -profile cmyk.icc -compress zip "
                     "-define tiff:rows-per-strip=48",
                     "64 48 icc 4 8 image", "/ICCBased", true, kQuadrants},
             Variant{"fax.tif", "", "64 48 gray 1 1 ccitt", "/BlackIs1 false /Columns 64 /K -1 /Rows 48", true,
                     {kBlack, kWhite, kBlack, kWhite}},
             Variant{"tiled.tif", "tiffcp -t -w 16 -l 16 nudo.tif", "64 48 rgb 3 8 image", "/Predictor 15", false,
                     kQuadrants},
             Variant{"piani.tif", "", "64 48 rgb 3 8 image", "/Predictor 15", false, kQuadrants},
             Variant{"pagine.tif", "", "64 48 rgb 3 8 image", "/Length 9216", true, kQuadrants},
             Variant{"girata.tif", "convert quadranti.png -type TrueColor -compress lzw -orient RightTop", "64 48 rgb 3 8 image",
                     "/LZWDecode", true, {kBlue, kRed, kWhite, kGreen}},
         }) {
        SCOPED_TRACE(v.file);
        if (*v.command != '\0') make(std::string(v.command) + " " + v.file);
        const fs::path pdf = print_photo(v.file);
        const std::vector<ImageRow> rows = image_rows(pdf);
        ASSERT_EQ(rows.size(), 1u);
        const std::string listed = run("pdfimages -list " + quoted(pdf) + " | awk 'NR == 3 {print $4, $5, $6, $7, "
                                       "$8, $9}'").output;
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

}  // namespace
}  // namespace posteri::testing

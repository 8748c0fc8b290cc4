// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Photo files made on the spot with libjpeg and libpng, for tests and benchmarks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace posteri::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

enum class Coding { Baseline, Progressive, Arithmetic };
// CMYK photos hold the inks of each colour with as much black as it takes (red: magenta and
// yellow; dark grey: black alone), Adobe's inverted or as amounts; YCCK ones are Adobe's. StoredRgb
// keeps RGB samples untransformed.
enum class Colours { Rgb, Gray, AdobeCmyk, Cmyk, AdobeYcck, StoredRgb };

struct JpegSpec {
    int width = 64;
    int height = 48;
    Coding coding = Coding::Baseline;
    Colours colours = Colours::Rgb;
    bool jfif = true;
    int density_unit = 0;  // JFIF: 0 none, 1 dots per inch, 2 dots per cm
    int x_density = 1;
    int y_density = 1;
    std::string exif;      // an APP1 payload, "" for none
    std::string xmp;       // an APP1 payload written before the EXIF one, "" for none
    int restart_interval = 0;  // MCUs between restart markers, 0 for none
    std::function<Rgb(int x, int y)> pixel;  // default: four solid quadrants
    std::string icc;           // an ICC profile in APP2 chunks, "" for none
};

// Four solid quadrants: top-left red, top-right green, bottom-left blue, bottom-right white.
Rgb quadrant_colour(int x, int y, int width, int height);

std::string make_jpeg(const JpegSpec& recipe);

// Noise that spreads a photo's data evenly over its rows: reddish above row 256, bluish below.
Rgb noisy_halves(int x, int y);

struct ExifSpec {
    bool big_endian = false;
    std::optional<int> orientation;
    std::optional<std::uint32_t> x_resolution;  // whole numbers over 1
    std::optional<std::uint32_t> y_resolution;
    std::optional<int> unit;
};
std::string make_exif(const ExifSpec& recipe);
// An XMP APP1 payload (its namespace header and a small packet), as photo editors write it.
std::string make_xmp();

// A PNG in libpng's colour type 0 (grey), 2 (RGB), 3 (palette: the quadrants' four colours), 4
// (grey and alpha) or 6 (RGBA), of four solid quadrants unless `pixel` says otherwise.
struct PngSpec {
    int width = 64;
    int height = 48;
    int colour_type = 2;
    int bit_depth = 8;
    bool interlaced = false;  // Adam7
    int alpha = 255;
    std::optional<unsigned> pixels_per_metre;  // in a pHYs chunk
    std::string icc;                           // an iCCP profile, "" for none
    std::function<Rgb(int x, int y)> pixel;
    std::size_t idat_bytes = 0;  // the compressed data's chunk size (0: libpng's 8 KB)
};
std::string make_png(const PngSpec& recipe);
// An RGBA PNG of one colour; pixels per metre in a pHYs chunk when given.
std::string make_png(int width, int height, Rgb colour, int alpha, std::optional<unsigned> pixels_per_metre);
// An RGBA PNG, opaque, with the colour of every pixel, Adam7-interlaced when asked.
std::string make_png(int width, int height, const std::function<Rgb(int x, int y)>& pixel, bool interlaced = false);

// PNG put together chunk by chunk, for data no writer stores: a chunk; the start of an 8-bit PNG of
// colour type 2 (RGB) or 6 (RGBA); such a PNG whose IDAT chunks of `chunk_bytes` hold `data`.
std::string png_chunk(const std::string& type, const std::string& data);
std::string png_start(int width, int height, int colour_type);
std::string png_holding(int width, int height, int colour_type, const std::string& data,
                        std::size_t chunk_bytes = 1 << 16);
std::string deflated(const std::string& bytes);

// ICC profiles made with lcms2: RGB with wider primaries than sRGB's, grey of linear light, and
// CMYK whose inks subtract from white (cyan as sRGB cyan), unlike the inks PDF readers show for
// device CMYK.
std::string wide_gamut_profile();
std::string linear_grey_profile();
std::string cmyk_profile();

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

}  // namespace posteri::test

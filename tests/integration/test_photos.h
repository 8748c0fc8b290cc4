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
enum class Colours { Rgb, Gray, AdobeCmyk };

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
    std::string icc;           // an ICC profile written in APP2 chunks, "" for none
    std::function<Rgb(int x, int y)> pixel;  // default: four solid quadrants
};

// Four solid quadrants: top-left red, top-right green, bottom-left blue, bottom-right white.
Rgb quadrant_colour(int x, int y, int width, int height);

std::string make_jpeg(const JpegSpec& recipe);

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

// An Adobe RGB (1998) ICC profile, as cameras embed it.
std::string adobe_rgb_profile();

// An RGBA PNG of one colour; pixels per metre in a pHYs chunk when given.
std::string make_png(int width, int height, Rgb colour, int alpha, std::optional<unsigned> pixels_per_metre);
// An opaque RGB PNG with the colour of every pixel, Adam7-interlaced when asked, its compressed data
// in IDAT chunks of `idat_bytes` (0: libpng's 8 KB).
std::string make_png(int width, int height, const std::function<Rgb(int x, int y)>& pixel,
                     bool interlaced = false, std::size_t idat_bytes = 0);

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

}  // namespace posteri::test

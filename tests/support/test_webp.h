// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WebP photos made on the spot with libwebp's own encoder and muxer, for tests and benchmarks.

#include <functional>
#include <string>

#include "support/test_photos.h"

namespace posteri::test {

struct WebpSpec {
    int width = 64;
    int height = 48;
    bool lossless = true;
    int alpha = 255;                         // of every pixel
    std::function<Rgb(int x, int y)> pixel;  // default: four solid quadrants
    std::string icc;                         // an ICCP chunk, "" for none
    std::string exif;                        // an EXIF chunk (the TIFF block, as WebP stores it), "" for none
    // Two frames, the first as described, the second of other colours: an animation.
    bool animated = false;
};
std::string make_webp(const WebpSpec& recipe);

// The start of a WebP whose extended header claims a canvas of width x height, cut short before
// its image data.
std::string webp_claiming(int width, int height);

}  // namespace posteri::test

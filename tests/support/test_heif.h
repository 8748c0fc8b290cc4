// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HEIC and AVIF photos made on the spot with libheif's own encoders (x265, aom), for tests and
// benchmarks: heif-enc cannot write the container's rotation, which phones write.

#include <functional>
#include <string>

#include "support/test_photos.h"

namespace posteri::test {

// H.273 colour codes of an nclx box: 0 primaries for none.
struct Nclx {
    int primaries = 0;
    int transfer = 13;  // sRGB's
};
inline constexpr Nclx kDisplayP3{12, 13};
inline constexpr Nclx kSrgb{1, 13};

struct HeifSpec {
    int width = 64;
    int height = 48;
    bool avif = false;
    bool lossless = true;                    // HEVC only
    int quality = 90;                        // of lossy coding, 0 to 100
    int alpha = 255;                         // of every pixel; below 255 adds an alpha image
    std::function<Rgb(int x, int y)> pixel;  // default: four solid quadrants
    int orientation = 1;                     // EXIF's codes, written as the container's irot/imir
    std::string exif;                        // an APP1 payload starting "Exif\0\0", "" for none
    Nclx nclx;
    std::string icc;  // a colour box of this profile instead of the nclx one, "" for none
};
std::string make_heif(const HeifSpec& recipe);

}  // namespace posteri::test

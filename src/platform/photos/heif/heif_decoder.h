// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HEIF photos (HEIC and AVIF) through libheif, which lives in a module of its own
// (libposteri-heif.so) loaded the first time such a photo is read: a run on a JPEG or a PNG never
// loads it, nor the HEVC and AV1 decoders it brings.

#include <functional>
#include <string>
#include <string_view>

namespace posteri {

// The colours an nclx colour box describes, as libheif reads them: the chromaticities of the
// primaries and the white point, and the transfer characteristics' code (ITU-T H.273).
struct HeifNclx {
    bool present = false;
    float red_x = 0, red_y = 0, green_x = 0, green_y = 0, blue_x = 0, blue_y = 0;
    float white_x = 0, white_y = 0;
    int transfer = 2;  // unspecified
};

// What the file's primary image says of itself, read without decoding a pixel.
struct HeifFeatures {
    // As displayed: libheif turns and mirrors the stored grid as the container's irot and imir say,
    // so an EXIF orientation inside the file is never applied on top.
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::string icc;  // the ICC profile of its colour box; empty when there is none
    HeifNclx nclx;
    std::string exif;  // the TIFF block of its EXIF item; empty when there is none
};

// One decoded row after another, top to bottom, `width` pixels of red, green, blue and, with
// `pixel_bytes` 4, alpha.
using HeifRowSink = std::function<void(const unsigned char* row, int pixel_bytes)>;

// How much of the primary image was decoded.
enum class HeifDecoded { Nothing, Part, Whole };

struct HeifDecoder {
    // Reads the file's boxes, within libheif's security limits; false when they are not HEIF's or
    // claim an image larger than those limits.
    bool (*features)(std::string_view file, HeifFeatures& features);
    // Decodes the primary image, turned upright, 8 bits a sample, and hands its rows to `rows`.
    // Damaged data that libheif decodes with warnings gives Part.
    HeifDecoded (*decode)(std::string_view file, const HeifRowSink& rows);
};

// The decoder, loaded on first use; nullptr when its module cannot be loaded.
const HeifDecoder* heif_decoder();

}  // namespace posteri

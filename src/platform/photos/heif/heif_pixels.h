// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// HEIF photos (HEIC, AVIF): their facts, and their primary image decoded for a screen, through the
// HEIF decoder module (heif_decoder.h).

#include <cairo.h>

#include <string>
#include <string_view>

#include "platform/photos/heif/heif_decoder.h"
#include "platform/photos/photo_header.h"

namespace posteri {

// Fills `header` from the file's boxes: the displayed size, EXIF resolution, the colour profile. The
// orientation stays upright: libheif turns the image as its container says, and the EXIF tag a
// HEIF carries describes the stored grid, so applying it too would turn the photo twice. False when
// the boxes cannot be read, the decoder cannot be loaded, or the image claims more than
// kMostDecodedPixels, which is refused before anything is allocated for its pixels.
bool read_heif_header(std::string_view file, PhotoHeader& header);

// The decoder and what it read of the file; nullptr when it reads no HEIF or the image is too large
// to decode.
const HeifDecoder* heif_features(std::string_view file, HeifFeatures& features);

// The ICC profile of the image's colours: its own where it is usable, else one made from its nclx
// box; empty for sRGB.
std::string heif_colour_profile(const HeifFeatures& features);

// A decoded row of RGB (`pixel_bytes` 3) or RGBA pixels as `width` pixels laid over white in the
// same colours: three bytes each in reading order, or four as cairo's RGB24 pixels lie in memory.
enum class RowLayout { Rgb, Bgrx };
void heif_row_over_white(const unsigned char* row, int pixel_bytes, int width, unsigned char* out,
                         RowLayout layout);

// The primary image decoded, in its own colours laid over white, reduced by a whole factor to at
// most `most_pixels`, with the ICC profile of those colours (its own, or one made from its nclx
// box; empty for sRGB). A null surface when nothing could be decoded.
struct HeifPixels {
    cairo_surface_t* surface = nullptr;
    std::string icc;
    bool cut_short = false;
};
HeifPixels heif_own_colours(std::string_view file, long long most_pixels);

// The primary image as an RGB24 surface of at most `most_pixels`, in sRGB; nullptr when it cannot be
// decoded. Damaged data that libheif still decodes sets `cut_short` when given.
cairo_surface_t* decode_heif(std::string_view file, long long most_pixels, bool* cut_short = nullptr);

}  // namespace posteri

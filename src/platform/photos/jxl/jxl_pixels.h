// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG XL photos: their facts, and their first frame decoded, through the JPEG XL reader module
// (jxl_reader.h).

#include <cairo.h>

#include <memory>
#include <string_view>

#include "platform/photos/jxl/jxl_reader.h"
#include "platform/photos/photo_header.h"

namespace posteri {

// Fills `header` from the file's headers: the stored grid, the codestream's orientation, the EXIF
// resolution, the pixels' ICC profile. False when they cannot be read, the reader cannot be loaded,
// or the grid claims more than kMostDecodedPixels, which is refused before anything is allocated
// for its pixels.
bool read_jxl_header(std::string_view file, PhotoHeader& header);

// The facts of the file, and the reader that read them; nullptr when it is no JPEG XL it reads or
// its grid is too large to decode.
const JxlReader* jxl_facts(std::string_view file, JxlFacts& facts);

// The first frame's stored grid in `channels` samples a pixel of `sample_bytes` (the high byte
// first); where data cut short did not reach, as
// libjxl renders it (black).
struct DecodedGrid {
    std::unique_ptr<unsigned char[]> pixels;  // nullptr when nothing was decoded
    bool cut_short = false;
};
DecodedGrid decoded_grid(const JxlReader& reader, std::string_view file, const JxlFacts& facts, int channels,
                         int sample_bytes = 1);

// The first frame as an RGB24 surface of at most `most_pixels`, in sRGB through its ICC profile,
// transparency laid over white; nullptr when it cannot be decoded. Data cut short gives what libjxl
// rendered of it and sets `cut_short` when given.
cairo_surface_t* decode_jxl(std::string_view file, long long most_pixels, bool* cut_short = nullptr);

}  // namespace posteri

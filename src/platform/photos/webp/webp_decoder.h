// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WebP photos through libwebp, which lives in a module of its own (libposteri-webp.so) loaded the
// first time a WebP photo is read: a run on a JPEG or a PNG never loads it.

#include <cstddef>
#include <string_view>

namespace posteri {

// What a WebP file says of itself, read without decoding a pixel.
struct WebpFeatures {
    int width = 0;  // the canvas, of the first frame for an animation
    int height = 0;
    bool alpha = false;
    std::string_view icc;   // the ICCP chunk, within the file's bytes; empty when there is none
    std::string_view exif;  // the EXIF chunk, within the file's bytes; empty when there is none
};

// How decoded pixels are laid out: four bytes a pixel in the order cairo's RGB24 and ARGB32 pixels
// take in memory, four in reading order, or three.
enum class WebpSamples { Bgra, Rgba, Rgb };

// Where the decoded canvas goes, scaled to `width` x `height` by libwebp while it decodes.
struct WebpOutput {
    int width = 0;
    int height = 0;
    WebpSamples samples = WebpSamples::Bgra;
    unsigned char* rows = nullptr;  // `height` rows of `stride` bytes, filled with the background
    std::size_t stride = 0;
};

// How much of the first frame was decoded.
enum class WebpDecoded { Nothing, Part, Whole };

struct WebpDecoder {
    // Reads the file's headers (of as much of it as there is); false when they are not WebP's.
    bool (*features)(std::string_view file, WebpFeatures& features);
    // Decodes the first frame into `output`, placed on the canvas where it stands. Data cut short or
    // damaged leaves what was decoded before it (Part); rows not reached keep what they held.
    WebpDecoded (*decode)(std::string_view file, const WebpOutput& output);
};

// The decoder, loaded on first use; nullptr when its module cannot be loaded.
const WebpDecoder* webp_decoder();

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WebP photos: their facts, and their first frame decoded for a screen, through the WebP decoder
// module (webp_decoder.h).

#include <cairo.h>

#include <string_view>

#include "platform/photos/decoded_rows.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/webp/webp_decoder.h"

namespace posteri {

// Fills `header` from the file's headers: the canvas, EXIF resolution and orientation, the ICC
// profile. False when they cannot be read, the decoder cannot be loaded, or the canvas claims more
// than kMostDecodedPixels, which is refused before anything is allocated for its pixels.
bool read_webp_header(std::string_view file, PhotoHeader& header);

// The features of the file, and the decoder that read them; nullptr when it is no WebP it reads or
// its canvas is too large to decode.
const WebpDecoder* webp_features(std::string_view file, WebpFeatures& features);

// The first frame as an RGB24 surface of at most `most_pixels`, in sRGB through its ICC profile
// when it carries a usable one, transparency laid over white; nullptr when it cannot be decoded.
// Data cut short or damaged gives what was decoded before it, the rest white, and sets
// `cut_short` when given; nullptr when nothing was.
cairo_surface_t* decode_webp(std::string_view file, long long most_pixels, bool* cut_short = nullptr);

}  // namespace posteri

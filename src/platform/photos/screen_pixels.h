// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Photos decoded for a window that shows them a few hundred pixels across: reduced while they are
// read, so that however large the photo, only about the window's own pixels are ever held.

#include <cairo.h>

#include <cstdio>
#include <string_view>

namespace posteri {

struct DecodedKind;

struct DecodedKind;

// The stored grid (stored_width x stored_height) as a new RGB24 surface whose longer side has at
// least `long_side` pixels and, where the photo is larger, fewer than twice that; colours as the
// page's decoders give them (through the photo's profile, CMYK through the ink model, transparency
// over white). nullptr when the photo cannot be decoded.
//
// A JPEG from its bytes: libjpeg's DCT scaling, then a whole reduction of the rows as they come.
cairo_surface_t* jpeg_screen_pixels(std::string_view bytes, int stored_width, int stored_height,
                                    int long_side);
// A PNG from its file, read from its start: reduced row by row by a whole factor while it is read.
cairo_surface_t* png_screen_pixels(std::FILE* file, int stored_width, int stored_height, int long_side);
// A photo of a decoded kind (decoded_kinds.h) from its bytes, scaled by its reader.
cairo_surface_t* decoded_screen_pixels(const DecodedKind& reader, std::string_view bytes, int stored_width,
                                       int stored_height, int long_side);

}  // namespace posteri

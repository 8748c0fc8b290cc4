// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded photos as a screen or a reader shows them on white paper: transparency laid over white,
// and what damaged or missing data leaves unread left white.

#include <cairo.h>

#include <cstdint>

#include "platform/photos/lcms_colour_profile.h"

namespace posteri {

// A colour of `alpha` coverage (0 to 255) laid over white.
inline std::uint8_t over_white(unsigned colour, unsigned alpha) {
    return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// A surface of paper white (every byte 0xFF, alpha too), so that what is not decoded into it prints
// as nothing; nullptr when it cannot be made or would not fit in memory (fits_in_memory).
cairo_surface_t* white_surface(long long width, long long height);

// Where transparency meets the paper: in the screen's sRGB, as a decoded PNG is drawn, or in the
// photo's own colours, as a page that carries them lays them over white.
enum class OverWhite { InSrgb, InOwnColours };

// A row of blue, green, red, alpha pixels as the screen shows them: through the photo's profile and
// over white, in the order `over_white` says; each fourth byte becomes 0.
void finish_row(unsigned char* row, long long width, const SrgbColours& colours,
                OverWhite over_white = OverWhite::InSrgb);

// Every row of the surface finished so.
void finish_rows(cairo_surface_t* surface, const SrgbColours& colours,
                 OverWhite over_white = OverWhite::InSrgb);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/screen_pixels.h"

#include <algorithm>

#include "platform/photos/decoded_kinds.h"
#include "platform/photos/jpeg_pixels.h"
#include "platform/photos/png/png_pixels.h"

namespace posteri {

namespace {

// The largest whole factor that leaves at least `long_side` pixels along a side of `longer`.
long long reduction_keeping(long long longer, int long_side) {
    return std::max(1LL, longer / std::max(long_side, 1));
}

// The smallest n of libjpeg's n / 8 that keeps at least `long_side` pixels along a side of `longer`.
int eighths_keeping(long long longer, int long_side) {
    for (int eighths = 1; eighths < 8; ++eighths) {
        if ((longer * eighths + 7) / 8 >= long_side) return eighths;
    }
    return 8;
}

long long reduced(long long side, long long factor) {
    return (side + factor - 1) / factor;
}

}  // namespace

cairo_surface_t* jpeg_screen_pixels(std::string_view bytes, int stored_width, int stored_height,
                                    int long_side) {
    const long long longer = std::max(stored_width, stored_height);
    const int eighths = eighths_keeping(longer, long_side);
    const long long reduction = reduction_keeping(reduced(longer * eighths, 8), long_side);
    return decode_jpeg(bytes, eighths, static_cast<int>(reduction));
}

// decode_png reduces by the smallest whole factor that brings the image within a count of pixels:
// the count of the factor wanted brings it to that factor (or a smaller one of the same count).
cairo_surface_t* png_screen_pixels(std::FILE* file, int stored_width, int stored_height, int long_side) {
    const long long factor = reduction_keeping(std::max(stored_width, stored_height), long_side);
    return decode_png(file, reduced(stored_width, factor) * reduced(stored_height, factor));
}

cairo_surface_t* decoded_screen_pixels(const DecodedKind& reader, std::string_view bytes, int stored_width,
                                       int stored_height, int long_side) {
    const long long longer = std::max(stored_width, stored_height);
    const long long shorter = std::min(stored_width, stored_height);
    const long long kept_longer = std::min<long long>(longer, std::max(long_side, 1));
    return reader.screen_pixels(bytes, kept_longer * std::max(1LL, shorter * kept_longer / longer), nullptr);
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/paper_white.h"

#include <algorithm>
#include <cstddef>

#include "platform/photos/photo_header.h"

namespace posteri {

namespace {

void lay_pixels_over_white(unsigned char* pixel, long long count) {
    for (long long x = 0; x < count; ++x, pixel += 4) {
        if (pixel[3] != 0xFF) {
            for (int channel = 0; channel < 3; ++channel)
                pixel[channel] = over_white(pixel[channel], pixel[3]);
        }
        pixel[3] = 0;
    }
}

}  // namespace

cairo_surface_t* white_surface(long long width, long long height) {
    if (!fits_in_memory(width, height)) return nullptr;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::fill_n(
        cairo_image_surface_get_data(surface),
        static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) * static_cast<std::size_t>(height),
        0xFF);
    return surface;
}

void finish_row(unsigned char* row, long long width, const SrgbColours& colours, OverWhite over_white) {
    if (over_white == OverWhite::InOwnColours) lay_pixels_over_white(row, width);
    if (colours.converts()) colours.to_bgrx(row, row, static_cast<unsigned>(width));
    if (over_white == OverWhite::InSrgb) lay_pixels_over_white(row, width);
}

void finish_rows(cairo_surface_t* surface, const SrgbColours& colours, OverWhite over_white) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        finish_row(data + static_cast<std::ptrdiff_t>(y) * stride, width, colours, over_white);
    }
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/heif/heif_image.h"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/photos/flate_rows.h"
#include "platform/photos/heif/heif_pixels.h"

namespace posteri {

namespace {

// The surface's BGRX pixels as RGB rows, each behind one byte kept for its filter type.
std::string rgb_rows(cairo_surface_t* surface) {
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const std::size_t row_bytes = 1 + 3 * static_cast<std::size_t>(width);
    std::string rows(row_bytes * static_cast<std::size_t>(height), '\0');
    for (int y = 0; y < height; ++y) {
        const unsigned char* from = data + static_cast<std::ptrdiff_t>(y) * stride;
        char* to = rows.data() + static_cast<std::size_t>(y) * row_bytes + 1;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = static_cast<char>(from[2]);
            to[1] = static_cast<char>(from[1]);
            to[2] = static_cast<char>(from[0]);
        }
    }
    return rows;
}

}  // namespace

std::optional<PdfImage> heif_image(std::string_view file, long long most_pixels, bool& cut_short) {
    HeifPixels pixels = heif_own_colours(file, most_pixels);
    if (pixels.surface == nullptr) return std::nullopt;
    cut_short = pixels.cut_short;
    cairo_surface_flush(pixels.surface);
    const int width = cairo_image_surface_get_width(pixels.surface);
    const int height = cairo_image_surface_get_height(pixels.surface);
    std::string rows = rgb_rows(pixels.surface);
    cairo_surface_destroy(pixels.surface);
    return flate_rgb_image(std::move(rows), width, height, std::move(pixels.icc));
}

}  // namespace posteri

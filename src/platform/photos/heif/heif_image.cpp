// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/heif/heif_image.h"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/photos/flate_rows.h"
#include "platform/photos/heif/heif_pixels.h"
#include "platform/photos/photo_header.h"

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

// At its own size the image is decoded straight into the rows a page carries, never held twice.
std::optional<PdfImage> whole_image(const HeifDecoder& decoder, const HeifFeatures& features,
                                    std::string_view file, bool& cut_short) {
    const std::size_t row_bytes = 1 + 3 * static_cast<std::size_t>(features.width);
    std::string rows(row_bytes * static_cast<std::size_t>(features.height), '\0');
    unsigned char* next = reinterpret_cast<unsigned char*>(rows.data());
    const HeifDecoded decoded = decoder.decode(file, [&](const unsigned char* row, int pixel_bytes) {
        heif_row_over_white(row, pixel_bytes, features.width, next + 1, RowLayout::Rgb);
        next += row_bytes;
    });
    if (decoded == HeifDecoded::Nothing) return std::nullopt;
    cut_short = decoded == HeifDecoded::Part;
    return flate_image(std::move(rows), {features.width, features.height}, false, heif_colour_profile(features));
}

// Reduced, the image is summed into a surface first, whose pixels then become the rows.
std::optional<PdfImage> reduced_image(std::string_view file, long long most_pixels, bool& cut_short) {
    HeifPixels pixels = heif_own_colours(file, most_pixels);
    if (pixels.surface == nullptr) return std::nullopt;
    cut_short = pixels.cut_short;
    cairo_surface_flush(pixels.surface);
    const int width = cairo_image_surface_get_width(pixels.surface);
    const int height = cairo_image_surface_get_height(pixels.surface);
    std::string rows = rgb_rows(pixels.surface);
    cairo_surface_destroy(pixels.surface);
    return flate_image(std::move(rows), {width, height}, false, pixels.icc);
}

}  // namespace

std::optional<PdfImage> heif_image(std::string_view file, long long most_pixels, bool& cut_short) {
    HeifFeatures features;
    const HeifDecoder* decoder = heif_features(file, features);
    if (decoder == nullptr) return std::nullopt;
    if (static_cast<long long>(features.width) * features.height > most_pixels)
        return reduced_image(file, most_pixels, cut_short);
    if (!memory_holds(features.width, features.height)) return std::nullopt;
    return whole_image(*decoder, features, file, cut_short);
}

}  // namespace posteri

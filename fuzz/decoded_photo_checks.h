// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fuzz targets of the photo kinds read through a module check of arbitrary bytes: the
// header reader must never crash, and whatever it accepts must describe a real picture within the
// 64-megapixel bound. Small pictures are decoded for the screen and for a page as well; a page's
// image is either the file's own data, no more than twice the file, or decoded rows of no more
// pixels than asked for.

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/photos/decoded_kinds.h"
#include "platform/photos/photo_header.h"

namespace posteri::fuzz {

inline constexpr long long kLargestDecodedPixels = 1 << 20;
inline constexpr long long kMostPrintedPixels = 1 << 14;

inline void check_printed(const std::optional<PdfImage>& image, std::size_t file_bytes) {
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    const bool own = image->coding != PdfImageCoding::PngFlate;
    if (own && image->data.front().size() > 2 * file_bytes) std::abort();
    if (!own && static_cast<long long>(image->width) * image->height > kMostPrintedPixels) std::abort();
}

inline int check_photo(const std::uint8_t* data, std::size_t size, const DecodedKind& reader) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    PhotoHeader header;
    if (!reader.read_header(bytes, header)) return 0;
    const PhotoFacts facts = upright_facts(header);
    const long long pixels = static_cast<long long>(facts.width) * facts.height;
    if (facts.width <= 0 || facts.height <= 0 || pixels > kMostDecodedPixels) std::abort();
    if (!(facts.dpi_x > 0) || !(facts.dpi_y > 0) || header.orientation < 1 || header.orientation > 8)
        std::abort();
    if (pixels > kLargestDecodedPixels) return 0;
    bool cut_short = false;
    cairo_surface_destroy(reader.screen_pixels(bytes, kMostPrintedPixels, &cut_short));
    check_printed(reader.pdf_image(bytes, kMostPrintedPixels, cut_short), bytes.size());
    return 0;
}

}  // namespace posteri::fuzz

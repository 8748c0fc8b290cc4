// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fuzz targets of the decoded photo kinds check of arbitrary bytes read as their kind: the
// header reader must never crash, and whatever it accepts must describe a real picture within the
// 64-megapixel bound. Small pictures are decoded for the screen and for a page as well; a page's
// image is decoded rows of no more pixels than asked for, or the file's own data.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/photos/decoded_kinds.h"
#include "platform/photos/photo_header.h"

namespace posteri::fuzz {

inline constexpr long long kLargestDecodedPixels = 1 << 20;
inline constexpr long long kMostPrintedPixels = 1 << 14;

inline void check_decoded(const DecodedKind& kind, const std::string& bytes) {
    bool cut_short = false;
    cairo_surface_destroy(kind.screen_pixels(bytes, kMostPrintedPixels, &cut_short));
    const auto image = kind.pdf_image(bytes, kMostPrintedPixels, cut_short);
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    switch (image->coding) {
        case PdfImageCoding::Dct:  // a JPEG keeps its own size, and a JPEG XL rebuilds one larger than itself
            return;
        case PdfImageCoding::PngFlate:  // decoded rows are held to what was asked
            if (static_cast<long long>(image->width) * image->height > kMostPrintedPixels) std::abort();
            return;
        default:  // strips carried as the file holds them never grow past it, whatever their table says
            if (image->data.front().size() > 2 * bytes.size()) std::abort();
    }
}

// The header the reader took from the bytes, checked, and its pixels decoded when they are few;
// nothing when it took none.
inline std::optional<PhotoHeader> checked_header(const DecodedKind& kind, const std::string& bytes) {
    PhotoHeader header;
    if (!kind.read_header(bytes, header)) return std::nullopt;
    const PhotoFacts facts = upright_facts(header);
    const long long pixels = static_cast<long long>(facts.width) * facts.height;
    if (facts.width <= 0 || facts.height <= 0 || pixels > kMostDecodedPixels) std::abort();
    if (!(facts.dpi_x > 0) || !(facts.dpi_y > 0) || header.orientation < 1 || header.orientation > 8)
        std::abort();
    if (pixels <= kLargestDecodedPixels) check_decoded(kind, bytes);
    return header;
}

inline int check_decoded_kind(const DecodedKind& kind, const std::uint8_t* data, std::size_t size) {
    checked_header(kind, std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

}  // namespace posteri::fuzz

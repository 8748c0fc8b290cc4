// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a fuzz target over a decoded kind's reader checks of arbitrary bytes: the header reader must
// never crash, and whatever it accepts must describe a real picture within the 64-megapixel bound.
// Small pictures are decoded for the screen and for a page as well; a page's image must hold no
// more pixels than asked for.

#include <cairo.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/photos/decoded_kinds.h"

namespace posteri::fuzz {

inline void check_decoded(const DecodedKind& reader, const std::string& bytes) {
    constexpr long long kMostPrintedPixels = 1 << 14;
    bool cut_short = false;
    cairo_surface_destroy(reader.screen_pixels(bytes, kMostPrintedPixels, &cut_short));
    const auto image = reader.pdf_image(bytes, kMostPrintedPixels, cut_short);
    if (!image) return;
    if (image->data.empty() || image->width <= 0 || image->height <= 0) std::abort();
    if (static_cast<long long>(image->width) * image->height > kMostPrintedPixels) std::abort();
}

// The header the reader took from the bytes, checked, and its pixels decoded when they are few;
// nothing when it took none.
inline std::optional<PhotoHeader> checked_header(const DecodedKind& reader, const std::string& bytes) {
    constexpr long long kLargestDecodedPixels = 1 << 20;
    PhotoHeader header;
    if (!reader.read_header(bytes, header)) return std::nullopt;
    const PhotoFacts facts = upright_facts(header);
    const long long pixels = static_cast<long long>(facts.width) * facts.height;
    if (facts.width <= 0 || facts.height <= 0 || pixels > kMostDecodedPixels) std::abort();
    if (!(facts.dpi_x > 0) || !(facts.dpi_y > 0) || header.orientation < 1 || header.orientation > 8)
        std::abort();
    if (pixels <= kLargestDecodedPixels) check_decoded(reader, bytes);
    return header;
}

}  // namespace posteri::fuzz

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/webp/webp_image.h"

#include <cstddef>
#include <string>

#include "platform/photos/flate_rows.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/webp/webp_pixels.h"

namespace posteri {

namespace {

// Rows of `width` RGBA pixels, each behind one byte, become RGB rows over white, in place.
void lay_rows_over_white(std::string& rows, int width, int height) {
    const std::size_t rgba_row = 1 + 4 * static_cast<std::size_t>(width);
    const std::size_t rgb_row = 1 + 3 * static_cast<std::size_t>(width);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        // Each pixel is written at or before where it was read, never over one still to be read.
        const unsigned char* from = reinterpret_cast<const unsigned char*>(rows.data() + y * rgba_row + 1);
        char* to = rows.data() + y * rgb_row + 1;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            const unsigned alpha = from[3];
            for (int channel = 0; channel < 3; ++channel)
                to[channel] = static_cast<char>(over_white(from[channel], alpha));
        }
    }
    rows.resize(rgb_row * static_cast<std::size_t>(height));
}

}  // namespace

std::optional<PdfImage> webp_image(std::string_view file, long long most_pixels, bool& cut_short) {
    WebpFeatures features;
    const WebpDecoder* decoder = webp_features(file, features);
    if (decoder == nullptr) return std::nullopt;
    const ScaledSize size = scaled_within(features.width, features.height, most_pixels);
    if (!memory_holds(size.width, size.height)) return std::nullopt;
    const int pixel = features.alpha ? 4 : 3;
    const std::size_t row_bytes = 1 + static_cast<std::size_t>(pixel) * size.width;
    // Each row is decoded behind the byte its filter type takes, white where nothing is decoded.
    std::string rows(row_bytes * static_cast<std::size_t>(size.height), '\xFF');
    const WebpOutput output{size.width, size.height, features.alpha ? WebpSamples::Rgba : WebpSamples::Rgb,
                            reinterpret_cast<unsigned char*>(rows.data() + 1), row_bytes};
    const WebpDecoded decoded = decoder->decode(file, output);
    if (decoded == WebpDecoded::Nothing) return std::nullopt;
    cut_short = decoded == WebpDecoded::Part;
    if (features.alpha) lay_rows_over_white(rows, size.width, size.height);
    return flate_rgb_image(std::move(rows), size.width, size.height,
                           usable_icc_profile(features.icc, 3) ? std::string(features.icc) : std::string());
}

}  // namespace posteri

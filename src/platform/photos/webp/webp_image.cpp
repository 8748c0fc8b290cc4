// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/webp/webp_image.h"

#include <cstddef>
#include <string>

#include "platform/photos/flate_rows.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/webp/webp_pixels.h"

namespace posteri {

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
    return flate_image(std::move(rows), {size.width, size.height}, features.alpha, features.icc);
}

}  // namespace posteri

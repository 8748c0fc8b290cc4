// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/webp/webp_pixels.h"

#include <string>

#include "platform/photos/exif_reader.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"

namespace posteri {

const WebpDecoder* webp_features(std::string_view file, WebpFeatures& features) {
    const WebpDecoder* decoder = webp_decoder();
    if (decoder == nullptr || !decoder->features(file, features)) return nullptr;
    return decodable_whole(features.width, features.height) ? decoder : nullptr;
}

bool read_webp_header(std::string_view file, PhotoHeader& header) {
    WebpFeatures features;
    if (webp_features(file, features) == nullptr) return false;
    header.kind = PhotoKind::Webp;
    header.stored_width = features.width;
    header.stored_height = features.height;
    header.pdf_colours = true;  // decoded into rows a PDF page carries losslessly
    if (!features.exif.empty()) {
        const ExifFacts exif = read_exif_block(features.exif);
        if (exif.resolution) {
            header.dpi_x = exif.resolution->dpi_x;
            header.dpi_y = exif.resolution->dpi_y;
        }
        header.orientation = exif.orientation;
    }
    header.icc_profile = std::string(features.icc);
    return true;
}

cairo_surface_t* decode_webp(std::string_view file, long long most_pixels, bool* cut_short) {
    WebpFeatures features;
    const WebpDecoder* decoder = webp_features(file, features);
    if (decoder == nullptr) return nullptr;
    const ScaledSize size = scaled_within(features.width, features.height, most_pixels);
    cairo_surface_t* surface = white_surface(size.width, size.height);
    if (surface == nullptr) return nullptr;
    const WebpOutput output{size.width, size.height, WebpSamples::Bgra, cairo_image_surface_get_data(surface),
                            static_cast<std::size_t>(cairo_image_surface_get_stride(surface))};
    const WebpDecoded decoded = decoder->decode(file, output);
    if (decoded == WebpDecoded::Nothing) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // Laid over white before its colours are converted, as the printed page lays it.
    finish_rows(surface, SrgbColours(features.icc, Samples::Bgrx), OverWhite::InOwnColours);
    cairo_surface_mark_dirty(surface);
    if (cut_short != nullptr) *cut_short = decoded == WebpDecoded::Part;
    return surface;
}

}  // namespace posteri

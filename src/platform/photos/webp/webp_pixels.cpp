// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/webp/webp_pixels.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/photos/exif_reader.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"

namespace posteri {

namespace {

constexpr std::string_view kExifStart{"Exif\0\0", 6};

// WebP's EXIF chunk holds the TIFF block alone, or, as some programs write it, behind the
// "Exif\0\0" that a JPEG's APP1 segment starts with and read_exif expects.
ExifFacts exif_facts(std::string_view chunk) {
    const std::string segment = chunk.substr(0, kExifStart.size()) == kExifStart
                                    ? std::string(chunk)
                                    : std::string(kExifStart) + std::string(chunk);
    return read_exif(reinterpret_cast<const unsigned char*>(segment.data()), segment.size());
}

}  // namespace

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
        const ExifFacts exif = exif_facts(features.exif);
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
    cairo_surface_t* surface =
        fits_in_memory(size.width, size.height) ? white_surface(size.width, size.height) : nullptr;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/heif/heif_pixels.h"

#include <cstddef>
#include <vector>

#include "platform/photos/exif_reader.h"
#include "platform/photos/heif/heif_decoder.h"
#include "platform/photos/heif/nclx_profile.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

// The decoder and what it read of the file; nullptr when it reads no HEIF or the image is too large
// to decode.
const HeifDecoder* heif_features(std::string_view file, HeifFeatures& features) {
    const HeifDecoder* decoder = heif_decoder();
    if (decoder == nullptr || !decoder->features(file, features)) return nullptr;
    return decodable_whole(features.width, features.height) ? decoder : nullptr;
}

// The file's own ICC profile where it is usable, else one made from its nclx box.
std::string colour_profile(const HeifFeatures& features) {
    if (usable_icc_profile(features.icc, 3)) return features.icc;
    std::string icc = nclx_icc_profile(features.nclx);
    return usable_icc_profile(icc, 3) ? icc : std::string();
}

// A decoded row of RGB or RGBA pixels as BGRX pixels laid over white in the same colours.
void to_bgrx_over_white(const unsigned char* row, int pixel_bytes, std::vector<unsigned char>& bgrx) {
    const std::size_t width = bgrx.size() / 4;
    for (std::size_t x = 0; x < width; ++x, row += pixel_bytes) {
        const unsigned alpha = pixel_bytes == 4 ? row[3] : 255;
        for (int channel = 0; channel < 3; ++channel)
            bgrx[4 * x + 2 - channel] = over_white(row[channel], alpha);
    }
}

}  // namespace

bool read_heif_header(std::string_view file, PhotoHeader& header) {
    HeifFeatures features;
    if (heif_features(file, features) == nullptr) return false;
    header.kind = PhotoKind::Heif;
    header.stored_width = features.width;
    header.stored_height = features.height;
    header.pdf_colours = true;  // decoded into rows a PDF page carries losslessly
    if (!features.exif.empty()) {
        const std::string segment = std::string("Exif\0\0", 6) + features.exif;
        const ExifFacts exif =
            read_exif(reinterpret_cast<const unsigned char*>(segment.data()), segment.size());
        if (exif.resolution) {
            header.dpi_x = exif.resolution->dpi_x;
            header.dpi_y = exif.resolution->dpi_y;
        }
    }
    header.icc_profile = colour_profile(features);
    return true;
}

HeifPixels heif_own_colours(std::string_view file, long long most_pixels) {
    HeifFeatures features;
    const HeifDecoder* decoder = heif_features(file, features);
    if (decoder == nullptr) return {};
    const int factor = reduction_for(features.width, features.height, most_pixels);
    cairo_surface_t* surface =
        white_surface((features.width + factor - 1) / factor, (features.height + factor - 1) / factor);
    if (surface == nullptr) return {};
    RowReducer reducer(surface, factor, factor);
    std::vector<unsigned char> bgrx(4 * static_cast<std::size_t>(features.width));
    const HeifDecoded decoded = decoder->decode(file, [&](const unsigned char* row, int pixel_bytes) {
        to_bgrx_over_white(row, pixel_bytes, bgrx);
        reducer.add(bgrx.data(), features.width);
    });
    if (decoded == HeifDecoded::Nothing) {
        cairo_surface_destroy(surface);
        return {};
    }
    reducer.flush();
    cairo_surface_mark_dirty(surface);
    return {surface, colour_profile(features), decoded == HeifDecoded::Part};
}

cairo_surface_t* decode_heif(std::string_view file, long long most_pixels, bool* cut_short) {
    const HeifPixels pixels = heif_own_colours(file, most_pixels);
    if (pixels.surface == nullptr) return nullptr;
    const SrgbColours colours(pixels.icc, Samples::Bgrx);
    if (colours.converts()) {
        cairo_surface_flush(pixels.surface);
        unsigned char* data = cairo_image_surface_get_data(pixels.surface);
        const int stride = cairo_image_surface_get_stride(pixels.surface);
        const int width = cairo_image_surface_get_width(pixels.surface);
        for (int y = 0; y < cairo_image_surface_get_height(pixels.surface); ++y) {
            unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
            colours.to_bgrx(row, row, static_cast<unsigned>(width));
        }
        cairo_surface_mark_dirty(pixels.surface);
    }
    if (cut_short != nullptr) *cut_short = pixels.cut_short;
    return pixels.surface;
}

}  // namespace posteri

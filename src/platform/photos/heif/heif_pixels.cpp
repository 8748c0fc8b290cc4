// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/heif/heif_pixels.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/photos/exif_reader.h"
#include "platform/photos/heif/heif_decoder.h"
#include "platform/photos/heif/nclx_profile.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

// The rows of a decoded image go straight into the surface at its own size, else summed into it by
// the reducer through one row of its own.
class SurfaceRows {
  public:
    SurfaceRows(cairo_surface_t* surface, int width, int factor)
        : surface_(surface),
          width_(width),
          reducer_(surface, factor, factor),
          row_(factor > 1 ? 4 * static_cast<std::size_t>(width) : 0) {}

    void add(const unsigned char* row, int pixel_bytes) {
        if (row_.empty()) {
            unsigned char* into =
                cairo_image_surface_get_data(surface_) +
                static_cast<std::ptrdiff_t>(y_++) * cairo_image_surface_get_stride(surface_);
            heif_row_over_white(row, pixel_bytes, width_, into, RowLayout::Bgrx);
            return;
        }
        heif_row_over_white(row, pixel_bytes, width_, row_.data(), RowLayout::Bgrx);
        reducer_.add(row_.data(), width_);
    }
    void finish() {
        if (!row_.empty()) reducer_.flush();
    }

  private:
    cairo_surface_t* surface_;
    int width_;
    RowReducer reducer_;
    std::vector<unsigned char> row_;
    int y_ = 0;
};

}  // namespace

const HeifDecoder* heif_features(std::string_view file, HeifFeatures& features) {
    const HeifDecoder* decoder = heif_decoder();
    if (decoder == nullptr || !decoder->features(file, features)) return nullptr;
    return decodable_whole(features.width, features.height) ? decoder : nullptr;
}

std::string heif_colour_profile(const HeifFeatures& features) {
    if (usable_icc_profile(features.icc, 3)) return features.icc;
    std::string icc = nclx_icc_profile(features.nclx);
    return usable_icc_profile(icc, 3) ? icc : std::string();
}

void heif_row_over_white(const unsigned char* row, int pixel_bytes, int width, unsigned char* out,
                         RowLayout layout) {
    if (pixel_bytes == 3 && layout == RowLayout::Rgb) {  // an opaque photo's rows, as most are
        std::memcpy(out, row, 3 * static_cast<std::size_t>(width));
        return;
    }
    const int out_bytes = layout == RowLayout::Rgb ? 3 : 4;
    for (int x = 0; x < width; ++x, row += pixel_bytes, out += out_bytes) {
        const unsigned alpha = pixel_bytes == 4 ? row[3] : 255;
        for (int channel = 0; channel < 3; ++channel) {
            out[layout == RowLayout::Rgb ? channel : 2 - channel] = over_white(row[channel], alpha);
        }
    }
}

bool read_heif_header(std::string_view file, PhotoHeader& header) {
    HeifFeatures features;
    if (heif_features(file, features) == nullptr) return false;
    header.kind = PhotoKind::Heif;
    header.stored_width = features.width;
    header.stored_height = features.height;
    header.pdf_colours = true;  // decoded into rows a PDF page carries losslessly
    // The EXIF orientation is left alone: it describes the stored grid, which libheif turns already.
    if (const ExifFacts exif = read_exif_block(features.exif); exif.resolution) {
        header.dpi_x = exif.resolution->dpi_x;
        header.dpi_y = exif.resolution->dpi_y;
    }
    header.icc_profile = heif_colour_profile(features);
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
    SurfaceRows rows(surface, features.width, factor);
    const HeifDecoded decoded = decoder->decode(
        file, [&rows](const unsigned char* row, int pixel_bytes) { rows.add(row, pixel_bytes); });
    if (decoded == HeifDecoded::Nothing) {
        cairo_surface_destroy(surface);
        return {};
    }
    rows.finish();
    cairo_surface_mark_dirty(surface);
    return {surface, heif_colour_profile(features), decoded == HeifDecoded::Part};
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/tiff/tiff_pixels.h"

#include <cstring>

#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"

namespace posteri {

namespace {

constexpr int kResolutionInch = 2;
constexpr int kResolutionCentimetre = 3;
constexpr float kCentimetresAnInch = 2.54f;

float dots_an_inch(float resolution, int unit) {
    if (resolution <= 0) return 96;
    if (unit == kResolutionInch) return resolution;
    return unit == kResolutionCentimetre ? resolution * kCentimetresAnInch : 96;
}

// A page whose strips all lie past the file's end has nothing to show; one cut short shows its part.
bool data_starts_within(const TiffFeatures& features, std::size_t file_bytes) {
    if (features.tiled) return true;  // its tiles are checked by libtiff as they are read
    return !features.strips.empty() && features.strips.front().offset < file_bytes;
}

// A row of `width` pixels of `components` 8-bit samples, as cairo's RGB24 pixels.
void spread_row(const unsigned char* from, unsigned char* bgrx, int width, int components) {
    for (int x = 0; x < width; ++x, from += components, bgrx += 4) {
        if (components == 1) {
            bgrx[0] = bgrx[1] = bgrx[2] = from[0];
        } else {
            bgrx[0] = from[2];
            bgrx[1] = from[1];
            bgrx[2] = from[0];
        }
    }
}

Samples samples_of(int components) {
    return components == 1 ? Samples::GreyInBgrx : components == 4 ? Samples::Cmyk : Samples::Bgrx;
}

}  // namespace

const TiffDecoder* tiff_features(std::string_view file, TiffFeatures& features) {
    const TiffDecoder* decoder = tiff_decoder();
    if (decoder == nullptr || !decoder->features(file, features)) return nullptr;
    if (!decodable_whole(features.width, features.height) || !data_starts_within(features, file.size())) {
        return nullptr;
    }
    return decoder;
}

bool read_tiff_header(std::string_view file, PhotoHeader& header) {
    TiffFeatures features;
    if (tiff_features(file, features) == nullptr) return false;
    header.kind = PhotoKind::Tiff;
    header.stored_width = features.width;
    header.stored_height = features.height;
    header.pdf_colours = true;  // its own data, or decoded into rows a page carries losslessly
    header.dpi_x = dots_an_inch(features.x_resolution, features.resolution_unit);
    header.dpi_y = dots_an_inch(features.y_resolution, features.resolution_unit);
    header.orientation = features.orientation >= 1 && features.orientation <= 8 ? features.orientation : 1;
    header.components = tiff_components(features);
    header.icc_profile = features.icc;
    return true;
}

int tiff_components(const TiffFeatures& features) {
    return features.plain_samples ? features.samples : 3;
}

bool decode_tiff_rows(std::string_view file, const TiffDecoder& decoder, const TiffFeatures& features,
                      ScaledSize size, int bits, std::string& rows, std::size_t lead, bool& cut_short) {
    const std::size_t row_bytes = rows.size() / static_cast<std::size_t>(size.height);
    const TiffOutput output{size.width,
                            size.height,
                            features.plain_samples ? TiffSamples::Stored : TiffSamples::Rgb,
                            bits,
                            reinterpret_cast<unsigned char*>(rows.data() + lead),
                            row_bytes};
    const TiffDecoded decoded = decoder.decode(file, output);
    cut_short = decoded == TiffDecoded::Part;
    return decoded != TiffDecoded::Nothing;
}

cairo_surface_t* decode_tiff(std::string_view file, long long most_pixels, bool* cut_short) {
    TiffFeatures features;
    const TiffDecoder* decoder = tiff_features(file, features);
    if (decoder == nullptr) return nullptr;
    const ScaledSize size = scaled_within(features.width, features.height, most_pixels);
    cairo_surface_t* surface = white_surface(size.width, size.height);
    if (surface == nullptr) return nullptr;
    const int components = tiff_components(features);
    const std::size_t row_bytes = static_cast<std::size_t>(components) * size.width;
    // White where nothing is decoded: no ink, or full grey and RGB.
    std::string rows(row_bytes * static_cast<std::size_t>(size.height), components == 4 ? '\0' : '\xFF');
    bool cut = false;
    if (!decode_tiff_rows(file, *decoder, features, size, 8, rows, 0, cut)) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    const SrgbColours colours(
        usable_icc_profile(features.icc, components) ? features.icc : std::string_view(),
        samples_of(components));
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    for (int y = 0; y < size.height; ++y) {
        const unsigned char* row = reinterpret_cast<const unsigned char*>(rows.data()) + y * row_bytes;
        unsigned char* bgrx = pixels + y * stride;
        if (components == 4) {
            colours.to_bgrx(row, bgrx, static_cast<unsigned>(size.width));
            continue;
        }
        spread_row(row, bgrx, size.width, components);
        if (colours.converts()) colours.to_bgrx(bgrx, bgrx, static_cast<unsigned>(size.width));
    }
    cairo_surface_mark_dirty(surface);
    if (cut_short != nullptr) *cut_short = cut;
    return surface;
}

}  // namespace posteri

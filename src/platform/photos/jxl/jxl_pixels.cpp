// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jxl/jxl_pixels.h"

#include <string>
#include <utility>

#include "platform/photos/exif_reader.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

// cairo's RGB24 pixels lie blue, green, red in memory; libjxl gives red, green, blue.
void swap_red_and_blue(cairo_surface_t* surface) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        unsigned char* pixel = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x, pixel += 4)
            std::swap(pixel[0], pixel[2]);
    }
}

}  // namespace

const JxlReader* jxl_facts(std::string_view file, JxlFacts& facts) {
    const JxlReader* reader = jxl_reader();
    if (reader == nullptr || !reader->facts(file, facts)) return nullptr;
    return decodable_whole(facts.width, facts.height) ? reader : nullptr;
}

bool read_jxl_header(std::string_view file, PhotoHeader& header) {
    JxlFacts facts;
    if (jxl_facts(file, facts) == nullptr) return false;
    header.kind = PhotoKind::JpegXl;
    header.stored_width = facts.width;
    header.stored_height = facts.height;
    header.pdf_colours = true;  // its own JPEG, or rows a PDF page carries losslessly
    // The codestream's orientation is the one viewers apply; an Exif box's is not read for it.
    header.orientation = facts.orientation;
    if (const ExifFacts exif = read_exif_block(facts.exif); exif.resolution) {
        header.dpi_x = exif.resolution->dpi_x;
        header.dpi_y = exif.resolution->dpi_y;
    }
    header.components = facts.grey ? 1 : 3;
    header.icc_profile = std::move(facts.icc);
    return true;
}

DecodedGrid decoded_grid(const JxlReader& reader, std::string_view file, const JxlFacts& facts, int channels,
                         int sample_bytes) {
    DecodedGrid grid;
    const int pixel = channels * sample_bytes;
    if (!memory_holds(facts.width, static_cast<long long>(facts.height) * pixel)) return grid;
    // Left unfilled, so that a file whose data never comes costs no page of it: libjxl writes every
    // pixel, those its data did not reach too.
    grid.pixels = std::make_unique_for_overwrite<unsigned char[]>(static_cast<std::size_t>(facts.width) *
                                                                  facts.height * pixel);
    const JxlDecoded decoded =
        reader.decode(file, {facts.width, facts.height, channels, sample_bytes, grid.pixels.get()});
    if (decoded == JxlDecoded::Nothing) grid.pixels.reset();
    grid.cut_short = decoded == JxlDecoded::Part;
    return grid;
}

cairo_surface_t* decode_jxl(std::string_view file, long long most_pixels, bool* cut_short) {
    JxlFacts facts;
    const JxlReader* reader = jxl_facts(file, facts);
    if (reader == nullptr) return nullptr;
    const ScaledSize size = scaled_within(facts.width, facts.height, most_pixels);
    cairo_surface_t* surface = white_surface(size.width, size.height);
    if (surface == nullptr) return nullptr;
    const DecodedGrid grid = decoded_grid(*reader, file, facts, 4);
    if (!grid.pixels) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    reduce_grid({grid.pixels.get(), facts.width, facts.height, 4}, cairo_image_surface_get_data(surface),
                static_cast<std::size_t>(cairo_image_surface_get_stride(surface)), size);
    swap_red_and_blue(surface);
    // Laid over white before its colours are converted, as the printed page lays it.
    finish_rows(surface, SrgbColours(facts.icc, facts.grey ? Samples::GreyInBgrx : Samples::Bgrx),
                OverWhite::InOwnColours);
    cairo_surface_mark_dirty(surface);
    if (cut_short != nullptr) *cut_short = grid.cut_short;
    return surface;
}

}  // namespace posteri

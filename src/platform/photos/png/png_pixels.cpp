// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png/png_pixels.h"

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/png/png_reader.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

constexpr double kInchesPerMetre = 0.0254;

void fill_header(png_structp png, png_infop info, PngHeader& header) {
    header.width = static_cast<int>(png_get_image_width(png, info));
    header.height = static_cast<int>(png_get_image_height(png, info));
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER && x > 0 && y > 0) {
        header.dpi_x = static_cast<float>(x * kInchesPerMetre);
        header.dpi_y = static_cast<float>(y * kInchesPerMetre);
    }
    const int colours = png_get_color_type(png, info);
    header.opaque_rows = png_get_interlace_type(png, info) == PNG_INTERLACE_NONE &&
                         (colours == PNG_COLOR_TYPE_GRAY || colours == PNG_COLOR_TYPE_RGB ||
                          colours == PNG_COLOR_TYPE_PALETTE) &&
                         !png_get_valid(png, info, PNG_INFO_tRNS);
}

// Each step that calls libpng sets its own return point, so that no state of the caller is
// changed between the setjmp and a jump back.
bool read_info(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_info(reader.png, reader.info);
    return true;
}

// Every pixel comes out as blue, green, red, alpha; an interlaced image's passes are put together
// into whole rows when `whole_rows`, or come one after the other.
bool ask_for_bgra(PngReader& reader, bool whole_rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_set_expand(reader.png);
    png_set_strip_16(reader.png);
    png_set_gray_to_rgb(reader.png);
    png_set_bgr(reader.png);
    png_set_add_alpha(reader.png, 0xFF, PNG_FILLER_AFTER);
    if (whole_rows) png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    return true;
}

bool read_one_row(PngReader& reader, png_bytep row) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_row(reader.png, row, nullptr);
    return true;
}

// Pixels come out as blue, green, red, alpha, grey ones spread over the three colours.
Samples samples_of(const PngReader& reader) {
    return png_get_color_type(reader.png, reader.info) & PNG_COLOR_MASK_COLOR ? Samples::Bgrx : Samples::GreyInBgrx;
}

// The surface, marked as drawn, when at least one row was read into it; nullptr otherwise.
cairo_surface_t* readable_part(cairo_surface_t* surface, std::uint64_t rows_read) {
    if (rows_read == 0) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// Reads the image row by row into a surface `factor` times smaller, until libpng fails on damaged
// or missing data (`cut_short`); rows it could not read stay white.
cairo_surface_t* decode_reduced(PngReader& reader, png_uint_32 width, png_uint_32 height, int factor,
                                bool interlaced, const SrgbColours& colours, bool& cut_short) {
    constexpr int kLastPass = 6;  // Adam7's seventh pass: every odd row, every column
    if (!ask_for_bgra(reader, false)) return nullptr;
    const long long band = interlaced ? factor / 2 : factor;
    const long long kept_rows = interlaced ? PNG_PASS_ROWS(height, kLastPass) : height;
    cairo_surface_t* surface = white_surface((width + factor - 1) / factor, (kept_rows + band - 1) / band);
    if (surface == nullptr) return nullptr;
    RowReducer reducer(surface, factor, static_cast<int>(band));
    std::vector<unsigned char> row(4 * static_cast<std::size_t>(width));
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    std::uint64_t kept = 0;
    for (int pass = 0; pass < passes && !cut_short; ++pass) {
        const bool empty = interlaced && PNG_PASS_COLS(width, pass) == 0;
        const png_uint_32 rows = empty ? 0 : interlaced ? PNG_PASS_ROWS(height, pass) : height;
        for (png_uint_32 y = 0; y < rows && !cut_short; ++y) {
            cut_short = !read_one_row(reader, row.data());
            if (cut_short || (interlaced && pass != kLastPass)) continue;
            finish_row(row.data(), width, colours);
            reducer.add(row.data(), width);
            ++kept;
        }
    }
    reducer.flush();
    return readable_part(surface, kept);
}

// Reads `rows` over each of `passes` (an interlaced image's passes are laid over each other)
// until libpng fails on damaged or missing data; the number of rows read.
std::uint64_t read_rows(PngReader& reader, const std::vector<png_bytep>& rows, int passes) {
    std::uint64_t read = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_bytep row : rows) {
            if (!read_one_row(reader, row)) return read;
            ++read;
        }
    }
    return read;
}

// Reads the image at its full size, until libpng fails on damaged or missing data (`cut_short`);
// rows it could not read stay white.
cairo_surface_t* decode_whole(PngReader& reader, png_uint_32 width, png_uint_32 height, bool interlaced,
                              const SrgbColours& colours, bool& cut_short) {
    if (!fits_in_memory(width, height) || !ask_for_bgra(reader, true)) return nullptr;
    cairo_surface_t* surface = white_surface(width, height);
    if (surface == nullptr) return nullptr;
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = data + static_cast<std::ptrdiff_t>(y) * stride;
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    const std::uint64_t read = read_rows(reader, rows, passes);
    cut_short = read < std::uint64_t{height} * static_cast<unsigned>(passes);
    finish_rows(surface, colours);
    return readable_part(surface, read);
}

}  // namespace

bool is_png_signature(const unsigned char* first_eight_bytes) {
    return png_sig_cmp(first_eight_bytes, 0, 8) == 0;
}

std::optional<PngHeader> read_png_header(std::FILE* file) {
    PngReader reader(file);
    if (!reader.ready() || !read_info(reader)) return std::nullopt;
    PngHeader header;
    fill_header(reader.png, reader.info, header);
    return header;
}

cairo_surface_t* decode_png(std::FILE* file, long long most_pixels, bool* cut_short) {
    PngReader reader(file);
    if (!reader.ready() || !read_info(reader)) return nullptr;
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    const bool interlaced = png_get_interlace_type(reader.png, reader.info) != PNG_INTERLACE_NONE;
    const int factor = reduction_for(width, height, most_pixels, interlaced);
    const std::string profile = reader.icc_profile();
    const SrgbColours colours(profile, samples_of(reader));
    bool cut = false;
    cairo_surface_t* surface = factor > 1
                                   ? decode_reduced(reader, width, height, factor, interlaced, colours, cut)
                                   : decode_whole(reader, width, height, interlaced, colours, cut);
    if (cut_short != nullptr) *cut_short = cut && surface != nullptr;
    return surface;
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PNG photos through libpng, read by the photo room's one reader set-up (png_reader.h).

#include <cairo.h>

#include <cstdio>
#include <optional>

namespace posteri {

struct PngHeader {
    int width = 0;
    int height = 0;
    std::optional<float> dpi_x;  // from a pHYs chunk in pixels per metre
    std::optional<float> dpi_y;
    // Rows stored one after the other, of grey, RGB or palette colours and no transparency: what a
    // PDF page can carry in the file's own compressed data.
    bool opaque_rows = false;
};

bool is_png_signature(const unsigned char* first_eight_bytes);

// Reads the chunks before the image data from the file's current position.
std::optional<PngHeader> read_png_header(std::FILE* file);

// The image as an RGB24 surface, in sRGB through its ICC profile when it carries a usable one,
// transparency laid over white paper; nullptr when it cannot be
// decoded or held in memory. An image of more than `most_pixels` pixels (or wider or taller than a
// raster can be) is reduced by the smallest whole factor that brings it within, each output pixel
// the mean of the square it stands for; its rows are read one at a time and reduced as they come,
// so that the whole image is never held. An interlaced one takes the rows of its last pass alone
// (every second row, whole), which halves what must be read. Data that is damaged or cut short
// gives the rows read before it, the rest white, and sets `cut_short` when given; nullptr when not
// one row can be read. Nothing after the image data is read: a damaged chunk there changes nothing.
cairo_surface_t* decode_png(std::FILE* file, long long most_pixels, bool* cut_short = nullptr);

}  // namespace posteri

#pragma once
// PNG photos through libpng, quietly: no message is ever printed, errors jump back.

#include <cairo.h>

#include <cstdio>
#include <optional>

namespace posteri {

struct PngHeader {
    int width = 0;
    int height = 0;
    std::optional<float> dpi_x;  // from a pHYs chunk in pixels per metre
    std::optional<float> dpi_y;
};

bool is_png_signature(const unsigned char* first_eight_bytes);

// Reads the chunks before the image data from the file's current position.
std::optional<PngHeader> read_png_header(std::FILE* file);

// The whole image as an RGB24 surface, transparency laid over white paper; nullptr when it cannot
// be decoded or held in memory.
cairo_surface_t* decode_png(std::FILE* file);

}  // namespace posteri

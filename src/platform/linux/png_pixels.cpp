#include "platform/linux/png_pixels.h"

#include <png.h>

#include <cstdint>
#include <vector>

#include "platform/linux/photo_header.h"

namespace posteri {

namespace {

constexpr double kInchesPerMetre = 0.0254;

[[noreturn]] void jump_back(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void say_nothing(png_structp, png_const_charp) {}

struct PngReader {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jump_back, say_nothing);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngReader() = default;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    bool ready() const { return png != nullptr && info != nullptr; }
};

void fill_header(png_structp png, png_infop info, PngHeader& header) {
    header.width = static_cast<int>(png_get_image_width(png, info));
    header.height = static_cast<int>(png_get_image_height(png, info));
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER && x > 0 && y > 0) {
        header.dpi_x = static_cast<float>(x * kInchesPerMetre);
        header.dpi_y = static_cast<float>(y * kInchesPerMetre);
    }
}

// Each step that calls libpng sets its own return point, so that no state of the caller is
// changed between the setjmp and a jump back.
bool read_info(PngReader& reader, std::FILE* file) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_init_io(reader.png, file);
    png_read_info(reader.png, reader.info);
    return true;
}

// Every pixel comes out as blue, green, red, alpha.
bool ask_for_bgra(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_set_expand(reader.png);
    png_set_strip_16(reader.png);
    png_set_gray_to_rgb(reader.png);
    png_set_bgr(reader.png);
    png_set_add_alpha(reader.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    return true;
}

bool read_rows(PngReader& reader, png_bytep* rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

std::uint8_t over_white(unsigned colour, unsigned alpha) {
    return static_cast<std::uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

void lay_over_white(cairo_surface_t* surface) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        unsigned char* pixel = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, pixel += 4) {
            for (int channel = 0; channel < 3; ++channel) pixel[channel] = over_white(pixel[channel], pixel[3]);
            pixel[3] = 0;
        }
    }
}

}  // namespace

bool is_png_signature(const unsigned char* first_eight_bytes) {
    return png_sig_cmp(first_eight_bytes, 0, 8) == 0;
}

std::optional<PngHeader> read_png_header(std::FILE* file) {
    PngReader reader;
    if (!reader.ready() || !read_info(reader, file)) return std::nullopt;
    PngHeader header;
    fill_header(reader.png, reader.info, header);
    return header;
}

cairo_surface_t* decode_png(std::FILE* file) {
    PngReader reader;
    if (!reader.ready() || !read_info(reader, file)) return nullptr;
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    if (!fits_in_memory(width, height) || !ask_for_bgra(reader)) return nullptr;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = data + static_cast<std::ptrdiff_t>(y) * stride;
    if (data == nullptr || !read_rows(reader, rows.data())) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    lay_over_white(surface);
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace posteri

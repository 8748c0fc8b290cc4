// SPDX-License-Identifier: GPL-3.0-or-later
#include "integration/test_photos.h"

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace posteri::test {

namespace {

void put16(std::string& out, unsigned value, bool big_endian) {
    const char high = static_cast<char>(value >> 8 & 0xFF), low = static_cast<char>(value & 0xFF);
    out += big_endian ? std::string{high, low} : std::string{low, high};
}

void put32(std::string& out, std::uint32_t value, bool big_endian) {
    put16(out, big_endian ? value >> 16 : value & 0xFFFF, big_endian);
    put16(out, big_endian ? value & 0xFFFF : value >> 16, big_endian);
}

void fill_row(const JpegSpec& recipe, int y, std::vector<unsigned char>& row) {
    for (int x = 0; x < recipe.width; ++x) {
        const Rgb c = recipe.pixel ? recipe.pixel(x, y) : quadrant_colour(x, y, recipe.width, recipe.height);
        if (recipe.colours == Colours::Gray) {
            row[x] = static_cast<unsigned char>((c.r * 299 + c.g * 587 + c.b * 114) / 1000);
        } else if (recipe.colours == Colours::AdobeCmyk) {
            // Inverted CMYK with no black: stored value = 255 - ink = the RGB value.
            row[x * 4] = static_cast<unsigned char>(c.r);
            row[x * 4 + 1] = static_cast<unsigned char>(c.g);
            row[x * 4 + 2] = static_cast<unsigned char>(c.b);
            row[x * 4 + 3] = 255;
        } else {
            row[x * 3] = static_cast<unsigned char>(c.r);
            row[x * 3 + 1] = static_cast<unsigned char>(c.g);
            row[x * 3 + 2] = static_cast<unsigned char>(c.b);
        }
    }
}

}  // namespace

Rgb quadrant_colour(int x, int y, int width, int height) {
    const bool right = x >= width / 2, bottom = y >= height / 2;
    if (!right && !bottom) return {255, 0, 0};
    if (right && !bottom) return {0, 255, 0};
    if (!right) return {0, 0, 255};
    return {255, 255, 255};
}

std::string make_jpeg(const JpegSpec& recipe) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(recipe.width);
    info.image_height = static_cast<JDIMENSION>(recipe.height);
    const int components = recipe.colours == Colours::Gray ? 1 : recipe.colours == Colours::AdobeCmyk ? 4 : 3;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (recipe.coding == Coding::Progressive) jpeg_simple_progression(&info);
    info.arith_code = recipe.coding == Coding::Arithmetic;
    info.restart_interval = static_cast<unsigned>(recipe.restart_interval);
    info.write_JFIF_header = recipe.jfif && components != 4;
    info.density_unit = static_cast<UINT8>(recipe.density_unit);
    info.X_density = static_cast<UINT16>(recipe.x_density);
    info.Y_density = static_cast<UINT16>(recipe.y_density);
    jpeg_start_compress(&info, TRUE);
    if (!recipe.icc.empty()) {
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(recipe.icc.data()),
                               static_cast<unsigned>(recipe.icc.size()));
    }
    for (const std::string* payload : {&recipe.xmp, &recipe.exif}) {
        if (payload->empty()) continue;
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(payload->data()),
                          static_cast<unsigned>(payload->size()));
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(recipe.width) * components);
    while (info.next_scanline < info.image_height) {
        fill_row(recipe, static_cast<int>(info.next_scanline), row);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

std::string adobe_rgb_profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};  // D65
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

std::string make_exif(const ExifSpec& recipe) {
    struct Entry {
        unsigned tag, type, value;
    };
    std::vector<Entry> entries;
    if (recipe.orientation) entries.push_back({0x0112, 3, static_cast<unsigned>(*recipe.orientation)});
    if (recipe.x_resolution) entries.push_back({0x011A, 5, 0});
    if (recipe.y_resolution) entries.push_back({0x011B, 5, 0});
    if (recipe.unit) entries.push_back({0x0128, 3, static_cast<unsigned>(*recipe.unit)});
    const bool be = recipe.big_endian;
    std::string tiff = be ? "MM" : "II";
    put16(tiff, 42, be);
    put32(tiff, 8, be);
    put16(tiff, static_cast<unsigned>(entries.size()), be);
    std::uint32_t data_at = 8 + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    std::string data;
    for (const Entry& entry : entries) {
        put16(tiff, entry.tag, be);
        put16(tiff, entry.type, be);
        put32(tiff, 1, be);
        if (entry.type == 3) {
            put16(tiff, entry.value, be);
            put16(tiff, 0, be);
        } else {
            put32(tiff, data_at + static_cast<std::uint32_t>(data.size()), be);
            put32(data, entry.tag == 0x011A ? *recipe.x_resolution : *recipe.y_resolution, be);
            put32(data, 1, be);
        }
    }
    put32(tiff, 0, be);
    return std::string("Exif\0\0", 6) + tiff + data;
}

std::string make_xmp() {
    return std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"1\"/></rdf:RDF></x:xmpmeta>";
}

namespace {

// RGBA with `alpha` in every pixel, or RGB without it.
std::string encode_png(int width, int height, const std::function<Rgb(int x, int y)>& pixel,
                       std::optional<int> alpha, std::optional<unsigned> pixels_per_metre,
                       bool interlaced = false, std::size_t idat_bytes = 0) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string bytes;
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), length);
        },
        nullptr);
    if (idat_bytes > 0) png_set_compression_buffer_size(png, idat_bytes);
    const int channels = alpha ? 4 : 3;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (pixels_per_metre) png_set_pHYs(png, info, *pixels_per_metre, *pixels_per_metre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    // An interlaced image is given whole, once for each of its passes.
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * channels);
    for (int y = 0; y < height * passes; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb colour = pixel(x, y % height);
            unsigned char* at = &row[static_cast<std::size_t>(x) * channels];
            at[0] = static_cast<unsigned char>(colour.r);
            at[1] = static_cast<unsigned char>(colour.g);
            at[2] = static_cast<unsigned char>(colour.b);
            if (alpha) at[3] = static_cast<unsigned char>(*alpha);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

}  // namespace

std::string make_png(int width, int height, Rgb colour, int alpha, std::optional<unsigned> pixels_per_metre) {
    return encode_png(width, height, [colour](int, int) { return colour; }, alpha, pixels_per_metre);
}

std::string make_png(int width, int height, const std::function<Rgb(int x, int y)>& pixel, bool interlaced,
                     std::size_t idat_bytes) {
    return encode_png(width, height, pixel, std::nullopt, std::nullopt, interlaced, idat_bytes);
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace posteri::test

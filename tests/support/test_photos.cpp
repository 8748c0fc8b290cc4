// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_photos.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <zlib.h>

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

// The inks of a colour, Adobe's inverted when asked: black for what all three lack, the
// others for what each lacks besides.
void put_inks(const Rgb& c, bool inverted, unsigned char* inks) {
    const int most = std::max({c.r, c.g, c.b});
    const int amounts[4] = {most - c.r, most - c.g, most - c.b, 255 - most};
    for (int i = 0; i < 4; ++i) inks[i] = static_cast<unsigned char>(inverted ? 255 - amounts[i] : amounts[i]);
}

void fill_row(const JpegSpec& recipe, int y, std::vector<unsigned char>& row) {
    for (int x = 0; x < recipe.width; ++x) {
        const Rgb c = recipe.pixel ? recipe.pixel(x, y) : quadrant_colour(x, y, recipe.width, recipe.height);
        if (recipe.colours == Colours::Gray) {
            row[x] = static_cast<unsigned char>((c.r * 299 + c.g * 587 + c.b * 114) / 1000);
        } else if (recipe.colours == Colours::Rgb || recipe.colours == Colours::StoredRgb) {
            row[x * 3] = static_cast<unsigned char>(c.r);
            row[x * 3 + 1] = static_cast<unsigned char>(c.g);
            row[x * 3 + 2] = static_cast<unsigned char>(c.b);
        } else {
            put_inks(c, recipe.colours != Colours::Cmyk, &row[x * 4]);
        }
    }
}

}  // namespace

Rgb noisy_halves(int x, int y) {
    const unsigned hash = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    const int n = static_cast<int>(hash % 41);
    return y < 256 ? Rgb{200 + n, n, n} : Rgb{n, n, 200 + n};
}

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
    const bool rgb = recipe.colours == Colours::Rgb || recipe.colours == Colours::StoredRgb;
    const int components = recipe.colours == Colours::Gray ? 1 : rgb ? 3 : 4;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (recipe.colours == Colours::AdobeYcck) jpeg_set_colorspace(&info, JCS_YCCK);
    if (recipe.colours == Colours::StoredRgb) jpeg_set_colorspace(&info, JCS_RGB);
    info.write_Adobe_marker = recipe.colours == Colours::AdobeCmyk || recipe.colours == Colours::AdobeYcck;
    jpeg_set_quality(&info, 95, TRUE);
    if (recipe.coding == Coding::Progressive) jpeg_simple_progression(&info);
    info.arith_code = recipe.coding == Coding::Arithmetic;
    info.restart_interval = static_cast<unsigned>(recipe.restart_interval);
    info.write_JFIF_header = recipe.jfif && (recipe.colours == Colours::Rgb || recipe.colours == Colours::Gray);
    info.density_unit = static_cast<UINT8>(recipe.density_unit);
    info.X_density = static_cast<UINT16>(recipe.x_density);
    info.Y_density = static_cast<UINT16>(recipe.y_density);
    jpeg_start_compress(&info, TRUE);
    for (const std::string* payload : {&recipe.xmp, &recipe.exif}) {
        if (payload->empty()) continue;
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(payload->data()),
                          static_cast<unsigned>(payload->size()));
    }
    if (!recipe.icc.empty()) {
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(recipe.icc.data()),
                               static_cast<unsigned>(recipe.icc.size()));
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

// One sample (or a palette index, or a grey below 8 bits) into a row of packed samples.
void put_sample(std::vector<unsigned char>& row, int index, int bit_depth, int value) {
    if (bit_depth < 8) {
        const int bit = index * bit_depth;
        row[bit / 8] |= static_cast<unsigned char>(value << (8 - bit_depth - bit % 8));
        return;
    }
    for (int b = 0; b < bit_depth / 8; ++b) row[index * (bit_depth / 8) + b] = static_cast<unsigned char>(value);
}

}  // namespace

std::string make_png(const PngSpec& recipe) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string bytes;
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), length);
        },
        nullptr);
    if (recipe.idat_bytes > 0) png_set_compression_buffer_size(png, recipe.idat_bytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(recipe.width), static_cast<png_uint_32>(recipe.height),
                 recipe.bit_depth, recipe.colour_type, recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (recipe.pixels_per_metre) {
        png_set_pHYs(png, info, *recipe.pixels_per_metre, *recipe.pixels_per_metre, PNG_RESOLUTION_METER);
    }
    // The palette's entries are the quadrants' colours, in quadrant order.
    png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    if (recipe.colour_type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 4);
    if (!recipe.icc.empty()) {
        png_set_iCCP(png, info, "profilo", 0, reinterpret_cast<png_const_bytep>(recipe.icc.data()),
                     static_cast<png_uint_32>(recipe.icc.size()));
    }
    png_write_info(png, info);
    // An interlaced image is given whole, once for each of its passes.
    const int passes = recipe.interlaced ? png_set_interlace_handling(png) : 1;
    const int samples = png_get_channels(png, info);
    std::vector<unsigned char> row(static_cast<std::size_t>(recipe.width) * samples * std::max(recipe.bit_depth / 8, 1));
    int made_for_half = -1;  // quadrants' rows differ only between the halves: each is made once
    for (int pass_row = 0; pass_row < recipe.height * passes; ++pass_row) {
        const int y = pass_row % recipe.height;
        const int half = y >= recipe.height / 2;
        if (!recipe.pixel && half == made_for_half) {
            png_write_row(png, row.data());
            continue;
        }
        made_for_half = recipe.pixel ? -1 : half;
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < recipe.width; ++x) {
            const Rgb c = recipe.pixel ? recipe.pixel(x, y) : quadrant_colour(x, y, recipe.width, recipe.height);
            const int grey = (c.r * 299 + c.g * 587 + c.b * 114) / 1000;
            const int quadrant = (x >= recipe.width / 2) + 2 * (y >= recipe.height / 2);
            const bool greys = recipe.colour_type == PNG_COLOR_TYPE_GRAY || recipe.colour_type == PNG_COLOR_TYPE_GRAY_ALPHA;
            const int values[4] = {greys ? grey : c.r, greys ? recipe.alpha : c.g, c.b, recipe.alpha};
            for (int s = 0; s < samples; ++s) {
                const int value = recipe.colour_type == PNG_COLOR_TYPE_PALETTE ? quadrant
                                  : recipe.bit_depth < 8                       ? grey >> (8 - recipe.bit_depth)
                                                                               : values[s];
                put_sample(row, x * samples + s, recipe.bit_depth, value);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

namespace {

// Member by member: the benchmarks, which share these photos, warn of members left out of a
// designated initializer.
PngSpec rgba_png(int width, int height, std::function<Rgb(int x, int y)> pixel) {
    PngSpec recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
    recipe.pixel = std::move(pixel);
    return recipe;
}

}  // namespace

std::string make_png(int width, int height, Rgb colour, int alpha, std::optional<unsigned> pixels_per_metre) {
    PngSpec recipe = rgba_png(width, height, [colour](int, int) { return colour; });
    recipe.alpha = alpha;
    recipe.pixels_per_metre = pixels_per_metre;
    return make_png(recipe);
}

std::string make_png(int width, int height, const std::function<Rgb(int x, int y)>& pixel, bool interlaced) {
    PngSpec recipe = rgba_png(width, height, pixel);
    recipe.interlaced = interlaced;
    return make_png(recipe);
}

namespace {

std::string big_endian32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// The corners of the ink cube as Lab colours, in the 16-bit encoding of a CLUT: each ink
// subtracts its share from sRGB white, black from all three.
std::vector<cmsUInt16Number> subtracting_ink_corners() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM to_lab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    std::vector<cmsUInt16Number> corners;
    for (int corner = 0; corner < 16; ++corner) {  // cyan slowest, black fastest
        const double black = corner & 1 ? 0 : 1;
        const double rgb[3] = {(corner & 8 ? 0 : 1) * black, (corner & 4 ? 0 : 1) * black, (corner & 2 ? 0 : 1) * black};
        cmsUInt16Number encoded[3];
        cmsDoTransform(to_lab, rgb, encoded, 1);
        corners.insert(corners.end(), encoded, encoded + 3);
    }
    cmsDeleteTransform(to_lab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return corners;
}

}  // namespace

std::string png_chunk(const std::string& type, const std::string& data) {
    const std::string typed = type + data;
    return big_endian32(data.size()) + typed +
           big_endian32(
               crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
}

std::string png_start(int width, int height, int colour_type) {
    const std::string header =
        big_endian32(width) + big_endian32(height) + '\x08' + static_cast<char>(colour_type);
    return "\x89PNG\r\n\x1A\n" + png_chunk("IHDR", header + std::string(3, '\0'));
}

std::string png_holding(int width, int height, int colour_type, const std::string& data,
                        std::size_t chunk_bytes) {
    std::string png = png_start(width, height, colour_type);
    for (std::size_t at = 0; at < data.size(); at += chunk_bytes)
        png += png_chunk("IDAT", data.substr(at, chunk_bytes));
    return png + png_chunk("IEND", "");
}

std::string deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
             bytes.size());
    return packed.substr(0, size);
}

std::string wide_gamut_profile() {
    const cmsCIExyYTRIPLE primaries{{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    const std::string bytes = saved(cmsCreateRGBProfile(cmsD50_xyY(), &primaries, curves));
    cmsFreeToneCurve(gamma);
    return bytes;
}

std::string linear_grey_profile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const std::string bytes = saved(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

std::string cmyk_profile() {
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigInputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    const std::vector<cmsUInt16Number> corners = subtracting_ink_corners();
    cmsPipeline* inks_to_lab = cmsPipelineAlloc(nullptr, 4, 3);
    // A lutAtoBType holds curves on both sides of its table; these change nothing.
    cmsPipelineInsertStage(inks_to_lab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(inks_to_lab, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 2, 4, 3, corners.data()));
    cmsPipelineInsertStage(inks_to_lab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, inks_to_lab);
    cmsPipelineFree(inks_to_lab);
    return saved(profile);
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

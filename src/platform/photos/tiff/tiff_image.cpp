// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/tiff/tiff_image.h"

#include <memory>
#include <string>

#include "platform/photos/flate_rows.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/tiff/tiff_pixels.h"

namespace posteri {

namespace {

// TIFF's own codes, as the directory holds them.
enum Compression { kNone = 1, kGroup4 = 4, kLzw = 5, kJpeg = 7, kAdobeDeflate = 8, kDeflate = 32946 };
enum Photometric { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kSeparated = 5, kYcbcr = 6 };
constexpr int kHorizontalDifferencing = 2;

// Colours a PDF colour space names as they are stored: grey (either way up), RGB, CMYK inks, and
// JPEG's YCbCr, which the DCT filter turns into RGB.
bool device_colours(const TiffFeatures& f) {
    const int colours = f.samples - f.extra_samples;
    if (f.extra_samples != 0 || f.sample_format != 1 || (!f.planar_contiguous && colours > 1)) return false;
    switch (f.photometric) {
        case kWhiteIsZero:
        case kBlackIsZero:
            return colours == 1;
        case kRgb:
            return colours == 3;
        case kSeparated:
            return colours == 4 && f.ink_set == 1;
        case kYcbcr:
            return colours == 3 && f.compression == kJpeg;
        default:
            return false;
    }
}

// Depths PDF reads as TIFF stores them: 16-bit samples only most significant byte first, and TIFF's
// differencing only between bytes.
bool stored_depth(const TiffFeatures& f) {
    if (f.bits == 8) return f.predictor == 1 || f.predictor == kHorizontalDifferencing;
    if (f.bits == 16) return f.big_endian && f.predictor == 1 && f.compression != kJpeg;
    return f.bits == 1 && f.predictor == 1 && (f.compression == kNone || f.compression == kGroup4);
}

bool strips_within(const TiffFeatures& f, std::size_t file_bytes) {
    for (const TiffStrip& strip : f.strips) {
        if (strip.offset > file_bytes || strip.bytes > file_bytes - strip.offset) return false;
    }
    return !f.strips.empty();
}

std::string_view strip_bytes(std::string_view file, const TiffStrip& strip) {
    return file.substr(static_cast<std::size_t>(strip.offset), static_cast<std::size_t>(strip.bytes));
}

std::size_t row_bytes(const TiffFeatures& f) {
    return (static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.samples * f.bits) + 7) / 8;
}

// Uncompressed strips joined: each must hold its rows whole, and together no more than the file
// (strips that all point at the same bytes would make a small file a stream of hundreds of MB).
std::optional<std::string> joined_rows(std::string_view file, const TiffFeatures& f) {
    std::string rows;
    int row = 0;
    for (const TiffStrip& strip : f.strips) {
        const int count = std::min(f.rows_per_strip, f.height - row);
        const std::size_t wanted = row_bytes(f) * static_cast<std::size_t>(count);
        if (count <= 0 || strip.bytes < wanted || rows.size() + wanted > file.size()) return std::nullopt;
        rows += strip_bytes(file, strip).substr(0, wanted);
        row += count;
    }
    if (row != f.height) return std::nullopt;
    return rows;
}

// A JPEG strip whose tables stand apart (a JPEGTables field) gets them back, between its start of
// image and the rest of its markers.
std::optional<std::string> whole_jpeg(std::string_view strip, std::string_view tables) {
    constexpr std::string_view kStart{"\xFF\xD8", 2};
    constexpr std::string_view kEnd{"\xFF\xD9", 2};
    if (strip.substr(0, 2) != kStart) return std::nullopt;
    if (tables.empty()) return std::string(strip);
    if (tables.size() < 4 || tables.substr(0, 2) != kStart || tables.substr(tables.size() - 2) != kEnd) {
        return std::nullopt;
    }
    return std::string(tables.substr(0, tables.size() - 2)) + std::string(strip.substr(2));
}

// LZW as TIFF wrote it before 1992, least significant bit first, which PDF does not read.
bool old_style_lzw(std::string_view strip) {
    return strip.size() >= 2 && strip[0] == 0 && (static_cast<unsigned char>(strip[1]) & 1) != 0;
}

// The page's one stream in the coding its image object names; nothing for data PDF cannot carry.
std::optional<std::string> own_stream(std::string_view file, const TiffFeatures& f, PdfImage& image) {
    if (f.compression == kNone) {
        image.coding = PdfImageCoding::Raw;
        return joined_rows(file, f);
    }
    if (f.strips.size() != 1) return std::nullopt;  // compressed strips make one stream each
    const std::string_view strip = strip_bytes(file, f.strips.front());
    switch (f.compression) {
        case kAdobeDeflate:
        case kDeflate:
            image.coding = PdfImageCoding::Flate;
            return std::string(strip);
        case kLzw:
            image.coding = PdfImageCoding::Lzw;
            return old_style_lzw(strip) ? std::nullopt : std::optional(std::string(strip));
        case kJpeg:
            image.coding = PdfImageCoding::Dct;
            return f.photometric == kYcbcr || f.photometric == kBlackIsZero ? whole_jpeg(strip, f.jpeg_tables)
                                                                            : std::nullopt;
        case kGroup4:
            image.coding = PdfImageCoding::CcittG4;
            image.black_is_1 = f.photometric == kBlackIsZero;
            return f.group4_options == 0 ? std::optional(std::string(strip)) : std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<PdfImage> decoded_image(std::string_view file, const TiffDecoder& decoder,
                                      const TiffFeatures& features, long long most_pixels, bool& cut_short) {
    const ScaledSize size = scaled_within(features.width, features.height, most_pixels);
    if (!memory_holds(size.width, size.height)) return std::nullopt;
    PdfImage image;
    image.components = tiff_components(features);
    image.bits_per_component = features.plain_samples ? features.bits : 8;
    const std::size_t row_bytes =
        1 + static_cast<std::size_t>(size.width) * image.components * image.bits_per_component / 8;
    // Each row is decoded behind the byte its filter type takes; what is not decoded is paper white.
    std::string rows(row_bytes * static_cast<std::size_t>(size.height),
                     image.components == 4 ? '\0' : '\xFF');
    if (!decode_tiff_rows(file, decoder, features, size, image.bits_per_component, rows, 1, cut_short) ||
        !carry_deflated(rows, row_bytes, image)) {
        return std::nullopt;
    }
    image.width = size.width;
    image.height = size.height;
    return image;
}

}  // namespace

std::optional<PdfImage> tiff_own_image(std::string_view file, const TiffFeatures& features) {
    if (features.tiled || features.fill_order != 1 || !device_colours(features) || !stored_depth(features) ||
        !strips_within(features, file.size())) {
        return std::nullopt;
    }
    PdfImage image;
    std::optional<std::string> stream = own_stream(file, features, image);
    if (!stream) return std::nullopt;
    auto block = std::make_shared<const ByteBlock>(std::move(*stream));
    image.data = {block->view()};
    image.block = std::move(block);
    image.width = features.width;
    image.height = features.height;
    image.components = features.samples;
    image.bits_per_component = features.bits;
    image.tiff_predictor = features.predictor == kHorizontalDifferencing;
    image.inverted = features.photometric == kWhiteIsZero && image.coding != PdfImageCoding::CcittG4;
    return image;
}

std::optional<PdfImage> tiff_image(std::string_view file, long long most_pixels, bool& cut_short) {
    TiffFeatures features;
    const TiffDecoder* decoder = tiff_features(file, features);
    if (decoder == nullptr) return std::nullopt;
    std::optional<PdfImage> image = tiff_own_image(file, features);
    if (!image) image = decoded_image(file, *decoder, features, most_pixels, cut_short);
    if (image && usable_icc_profile(features.icc, image->components)) image->icc = features.icc;
    return image;
}

}  // namespace posteri

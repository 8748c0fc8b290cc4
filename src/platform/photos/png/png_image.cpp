// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png/png_image.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/photos/big_endian.h"
#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/png/png_chunks.h"

namespace posteri {

namespace {

constexpr std::string_view kSignature = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kIhdrBytes = 13;
constexpr std::uint32_t kLargestSide = 0x7FFFFFFF;

struct Chunk {
    std::string_view type;
    std::string_view data;
};

// The chunk at `at`, checked against its CRC; `at` moves past it. Nothing when it runs beyond the
// file or its checksum is wrong.
std::optional<Chunk> next_chunk(std::string_view file, std::size_t& at) {
    if (file.size() - at < 12) return std::nullopt;
    const std::size_t length = big_endian32(file, at);
    if (length > file.size() - at - 12) return std::nullopt;
    const std::string_view typed = file.substr(at + 4, 4 + length);
    const auto crc = crc32_z(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size());
    if (crc != big_endian32(file, at + 8 + length)) return std::nullopt;
    at += 12 + length;
    return Chunk{typed.substr(0, 4), typed.substr(4)};
}

// Whether an IDAT chunk begins at `at`, its checksum not yet checked.
bool idat_at(std::string_view file, std::size_t at) {
    return file.size() - at >= 8 && file.substr(at + 4, 4) == "IDAT";
}

// The bytes of one row of samples, as PNG stores it after its filter type.
std::uint64_t row_bytes_of(std::uint32_t width, int samples, int depth) {
    return (std::uint64_t{width} * static_cast<unsigned>(samples * depth) + 7) / 8;
}

// Bit depths PDF takes for each PNG colour type that has no alpha.
bool carried_as_is(int colour_type, int depth) {
    switch (colour_type) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 2: return depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default: return false;
    }
}

}  // namespace

std::optional<PdfImage> png_image(std::shared_ptr<const ByteBlock> file) {
    const std::string_view bytes = file->view();
    if (bytes.substr(0, kSignature.size()) != kSignature) return std::nullopt;
    std::size_t at = kSignature.size();
    const auto header = next_chunk(bytes, at);
    if (!header || header->type != "IHDR" || header->data.size() != kIhdrBytes) return std::nullopt;
    const int depth = static_cast<unsigned char>(header->data[8]);
    const int colour_type = static_cast<unsigned char>(header->data[9]);
    const bool interlaced = header->data[12] != 0;
    if (!carried_as_is(colour_type, depth) || interlaced || header->data[10] != 0 || header->data[11] != 0) {
        return std::nullopt;
    }
    const std::uint32_t width = big_endian32(header->data, 0), height = big_endian32(header->data, 4);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return std::nullopt;
    PdfImage image;
    image.coding = PdfImageCoding::PngFlate;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.bits_per_component = depth;
    image.components = colour_type == 0 ? 1 : 3;
    std::optional<std::string_view> packed_profile;
    // Nothing after the image data is used: a damaged chunk there (IEND's checksum) changes nothing.
    while (image.data.empty() || idat_at(bytes, at)) {
        const auto chunk = next_chunk(bytes, at);
        if (!chunk || chunk->type == "tRNS" || chunk->type == "IEND") return std::nullopt;
        if (chunk->type == "IDAT") image.data.push_back(chunk->data);
        if (chunk->type == "PLTE") image.palette = std::string(chunk->data);
        if (chunk->type == "iCCP" && !packed_profile) packed_profile = chunk->data;  // PNG allows one
    }
    const std::size_t colours = image.palette.size() / 3;
    if (image.data.empty() || (colour_type == 3 && (image.palette.size() % 3 != 0 || colours == 0 || colours > 256))) {
        return std::nullopt;
    }
    if (!rows_are_whole(image.data, row_bytes_of(width, colour_type == 2 ? 3 : 1, depth), height)) {
        return std::nullopt;
    }
    if (colour_type != 3) image.palette.clear();  // a suggested palette for an RGB image is not its colours
    std::string profile = packed_profile ? inflated_profile(*packed_profile) : std::string();
    if (usable_icc_profile(profile, image.components)) image.icc = std::move(profile);
    image.block = std::move(file);
    return image;
}

}  // namespace posteri

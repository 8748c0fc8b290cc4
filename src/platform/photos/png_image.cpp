// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png_image.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/photos/big_endian.h"
#include "platform/photos/lcms_colour_profile.h"

namespace posteri {

namespace {

constexpr std::string_view kSignature = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kIhdrBytes = 13;
constexpr std::size_t kLargestProfile = 16u << 20;  // far above any real profile; bounds the inflate
constexpr std::size_t kInflateBuffer = 64u << 10;
constexpr std::uint64_t kCheckedRowBytes = 1u << 20;
constexpr unsigned kLastFilterType = 4;  // Paeth
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

// An iCCP chunk: a name, a zero, the compression method (0, deflate), the compressed profile.
std::string inflated_profile(std::string_view chunk) {
    const std::size_t name_end = chunk.find('\0');
    if (name_end == std::string_view::npos || name_end + 2 > chunk.size() || chunk[name_end + 1] != 0) return {};
    const std::string_view packed = chunk.substr(name_end + 2);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return {};
    std::string profile;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    char buffer[16384];
    while (status == Z_OK && profile.size() <= kLargestProfile) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        profile.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? profile : std::string();
}

// Whether the IDAT pieces begin a deflate stream of rows each led by a filter type PNG knows, and,
// when the stream ends within its first megabyte, whether it holds exactly `rows` rows of
// `row_bytes`. Checksums guard against damage, not against a writer that stored no deflate stream
// or too few rows: a reader's Flate filter fails on those and shows an error, or nothing, where the
// photo should be. Only the first megabyte is inflated (a few milliseconds; the whole of a 24 MP
// photo takes 160 to 280 ms, several times the rest of the print), and it is dropped as it comes.
bool rows_begin_whole(const std::vector<std::string_view>& pieces, std::uint64_t row_bytes,
                      std::uint64_t rows) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    const std::uint64_t stride = row_bytes + 1, expected = stride * rows;
    std::vector<unsigned char> buffer(kInflateBuffer);
    std::uint64_t produced = 0, next_row = 0;
    std::size_t next_piece = 0;
    int status = Z_OK;
    bool filters_known = true;
    while (filters_known && produced <= expected && produced < kCheckedRowBytes) {
        while (stream.avail_in == 0 && next_piece < pieces.size()) {
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces[next_piece].data()));
            stream.avail_in = static_cast<uInt>(pieces[next_piece++].size());  // a chunk holds under 2 GB
        }
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        status = inflate(&stream, Z_NO_FLUSH);
        const std::uint64_t end = produced + (buffer.size() - stream.avail_out);
        for (; next_row < end && filters_known; next_row += stride) {
            filters_known = buffer[next_row - produced] <= kLastFilterType;
        }
        produced = end;
        if (status != Z_OK) break;
    }
    inflateEnd(&stream);
    if (!filters_known || produced > expected) return false;
    return status == Z_STREAM_END ? produced == expected : status == Z_OK;
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
    std::string profile;
    for (;;) {
        const auto chunk = next_chunk(bytes, at);
        if (!chunk || chunk->type == "tRNS") return std::nullopt;
        if (chunk->type == "IEND") break;
        if (chunk->type == "IDAT") image.data.push_back(chunk->data);
        if (chunk->type == "PLTE") image.palette = std::string(chunk->data);
        if (chunk->type == "iCCP") profile = inflated_profile(chunk->data);
    }
    const std::size_t colours = image.palette.size() / 3;
    if (image.data.empty() || (colour_type == 3 && (image.palette.size() % 3 != 0 || colours == 0 || colours > 256))) {
        return std::nullopt;
    }
    if (!rows_begin_whole(image.data, row_bytes_of(width, colour_type == 2 ? 3 : 1, depth), height)) {
        return std::nullopt;
    }
    if (colour_type != 3) image.palette.clear();  // a suggested palette for an RGB image is not its colours
    if (usable_icc_profile(profile, image.components)) image.icc = std::move(profile);
    image.block = std::move(file);
    return image;
}

}  // namespace posteri

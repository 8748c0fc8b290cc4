// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png/png_chunks.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <memory>

namespace posteri {

namespace {

constexpr std::size_t kLargestProfile = 4u << 20;  // far above any real profile; bounds the inflate
constexpr std::size_t kInflateBuffer = 256u << 10;
constexpr unsigned kLastFilterType = 4;  // Paeth

// zlib's input pointer is not const, though inflate only reads through it.
Bytef* input_of(std::string_view bytes) {
    return reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
}

// Feeds the stream the next non-empty piece once it has used up the one before.
void feed(inflate_state& stream, const std::vector<std::string_view>& pieces, std::size_t& next_piece) {
    while (stream.avail_in == 0 && next_piece < pieces.size()) {
        stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(pieces[next_piece].data()));
        stream.avail_in = static_cast<std::uint32_t>(pieces[next_piece++].size());  // a chunk holds under 2 GB
    }
}

}  // namespace

std::string inflated_profile(std::string_view chunk) {
    const std::size_t name_end = chunk.find('\0');
    if (name_end == std::string_view::npos || name_end + 2 > chunk.size() || chunk[name_end + 1] != 0) {
        return {};
    }
    const std::string_view packed = chunk.substr(name_end + 2);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return {};
    std::string profile;
    stream.next_in = input_of(packed);
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
    return status == Z_STREAM_END && profile.size() <= kLargestProfile ? profile : std::string();
}

bool rows_are_whole(const std::vector<std::string_view>& pieces, std::uint64_t row_bytes,
                    std::uint64_t rows) {
    // ISA-L inflates in about half zlib's time, and a photo's image data is tens of megabytes; its
    // zlib wrapper mode checks the stream's header and checksum as well.
    const auto stream = std::make_unique<inflate_state>();
    isal_inflate_init(stream.get());
    stream->crc_flag = ISAL_ZLIB;
    const std::uint64_t stride = row_bytes + 1, expected = stride * rows;
    std::vector<unsigned char> buffer(kInflateBuffer);
    std::uint64_t produced = 0, next_row = 0;
    std::size_t next_piece = 0;
    bool filters_known = true;
    while (filters_known && produced <= expected && stream->block_state != ISAL_BLOCK_FINISH) {
        feed(*stream, pieces, next_piece);
        const std::uint32_t input_left = stream->avail_in;
        stream->next_out = buffer.data();
        stream->avail_out = static_cast<std::uint32_t>(buffer.size());
        if (isal_inflate(stream.get()) < 0) return false;
        const std::uint64_t end = produced + (buffer.size() - stream->avail_out);
        // Nothing taken and nothing given: the stream ends before its last block.
        if (end == produced && stream->avail_in == input_left && next_piece == pieces.size()) return false;
        for (; next_row < end && filters_known; next_row += stride) {
            filters_known = buffer[next_row - produced] <= kLastFilterType;
        }
        produced = end;
    }
    return stream->block_state == ISAL_BLOCK_FINISH && filters_known && produced == expected;
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/png_chunks.h"

#include <zlib.h>

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
void feed(z_stream& stream, const std::vector<std::string_view>& pieces, std::size_t& next_piece) {
    while (stream.avail_in == 0 && next_piece < pieces.size()) {
        stream.next_in = input_of(pieces[next_piece]);
        stream.avail_in = static_cast<uInt>(pieces[next_piece++].size());  // a chunk holds under 2 GB
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
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    // The chunks' checksums already cover every byte of the stream; zlib's own check of what it
    // inflates would add a tenth to the work.
    inflateValidate(&stream, 0);
    const std::uint64_t stride = row_bytes + 1, expected = stride * rows;
    std::vector<unsigned char> buffer(kInflateBuffer);
    std::uint64_t produced = 0, next_row = 0;
    std::size_t next_piece = 0;
    int status = Z_OK;
    bool filters_known = true;
    while (status == Z_OK && filters_known && produced <= expected) {
        feed(stream, pieces, next_piece);
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        status = inflate(&stream, Z_NO_FLUSH);
        const std::uint64_t end = produced + (buffer.size() - stream.avail_out);
        for (; next_row < end && filters_known; next_row += stride) {
            filters_known = buffer[next_row - produced] <= kLastFilterType;
        }
        produced = end;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && filters_known && produced == expected;
}

}  // namespace posteri

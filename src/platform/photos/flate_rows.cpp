// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/flate_rows.h"

#include <isa-l/igzip_lib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace posteri {

namespace {

constexpr char kUpFilter = 2;  // PNG's filter type that stores each byte less the one above it

// Every row takes the Up filter, which a photo's rows compress far better with than with none, and
// which costs one subtraction a byte: from the last row up, so that each row above is still whole.
void apply_up_filter(std::string& rows, std::size_t row_bytes) {
    const std::size_t height = rows.size() / row_bytes;
    for (std::size_t y = height; y-- > 0;) {
        char* row = rows.data() + y * row_bytes;
        row[0] = kUpFilter;
        if (y == 0) break;
        const char* above = row - row_bytes;
        for (std::size_t i = 1; i < row_bytes; ++i) {
            row[i] =
                static_cast<char>(static_cast<unsigned char>(row[i]) - static_cast<unsigned char>(above[i]));
        }
    }
}

// The rows in a zlib stream, at isa-l's fastest level: a few times quicker than zlib's, for a stream
// a little larger. Room for the rows is reserved, never copied into as it grows, and filled a piece
// at a time, so that only the pages the stream takes are ever touched.
std::string deflated(const std::string& rows) {
    constexpr std::size_t kPiece = 1 << 20;
    std::vector<unsigned char> level_buffer(ISAL_DEF_LVL1_DEFAULT);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = 1;
    stream.level_buf = level_buffer.data();
    stream.level_buf_size = static_cast<std::uint32_t>(level_buffer.size());
    stream.gzip_flag = IGZIP_ZLIB;
    stream.end_of_stream = 1;
    stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(rows.data()));
    stream.avail_in = static_cast<std::uint32_t>(rows.size());
    std::string packed;
    packed.reserve(rows.size() + rows.size() / 64 + kPiece);  // more than stored blocks take
    while (stream.internal_state.state != ZSTATE_END) {
        const std::size_t held = packed.size();
        packed.resize(held + kPiece);
        stream.next_out = reinterpret_cast<std::uint8_t*>(packed.data() + held);
        stream.avail_out = static_cast<std::uint32_t>(kPiece);
        if (isal_deflate(&stream) != COMP_OK) return {};
        packed.resize(held + kPiece - stream.avail_out);
    }
    return packed;
}

}  // namespace

std::optional<PdfImage> flate_rgb_image(std::string rows, int width, int height, std::string icc) {
    if (width <= 0 || height <= 0) return std::nullopt;
    apply_up_filter(rows, rows.size() / static_cast<std::size_t>(height));
    auto packed = std::make_shared<const ByteBlock>(deflated(rows));
    if (packed->view().empty()) return std::nullopt;
    PdfImage image;
    image.coding = PdfImageCoding::PngFlate;
    image.data = {packed->view()};
    image.block = std::move(packed);
    image.width = width;
    image.height = height;
    image.icc = std::move(icc);
    return image;
}

}  // namespace posteri

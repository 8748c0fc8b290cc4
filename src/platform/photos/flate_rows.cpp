// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/flate_rows.h"

#include <isa-l/igzip_lib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/photos/lcms_colour_profile.h"
#include "platform/photos/paper_white.h"

namespace posteri {

namespace {

constexpr char kUpFilter = 2;  // PNG's filter type that stores each byte less the one above it

// Rows of `width` pixels of `colours` bytes and alpha, each behind one byte, lose their alpha
// over white, in place.
void lay_rows_over_white(std::string& rows, int width, int height, int colours) {
    const std::size_t pixel = static_cast<std::size_t>(colours) + 1;
    const std::size_t alpha_row = 1 + pixel * static_cast<std::size_t>(width);
    const std::size_t opaque_row = 1 + static_cast<std::size_t>(colours) * static_cast<std::size_t>(width);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        // Each pixel is written at or before where it was read, never over one still to be read.
        const unsigned char* from = reinterpret_cast<const unsigned char*>(rows.data() + y * alpha_row + 1);
        char* to = rows.data() + y * opaque_row + 1;
        for (int x = 0; x < width; ++x, from += pixel, to += colours) {
            const unsigned alpha = from[colours];
            for (int channel = 0; channel < colours; ++channel)
                to[channel] = static_cast<char>(over_white(from[channel], alpha));
        }
    }
    rows.resize(opaque_row * static_cast<std::size_t>(height));
}

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

bool carry_deflated(std::string& rows, std::size_t row_bytes, PdfImage& image) {
    apply_up_filter(rows, row_bytes);
    auto packed = std::make_shared<const ByteBlock>(deflated(rows));
    if (packed->view().empty()) return false;
    image.coding = PdfImageCoding::PngFlate;
    image.data = {packed->view()};
    image.block = std::move(packed);
    return true;
}

std::optional<PdfImage> flate_image(std::string rows, const RowsShape& shape, bool alpha,
                                    std::string_view icc) {
    if (shape.width <= 0 || shape.height <= 0) return std::nullopt;
    if (alpha) lay_rows_over_white(rows, shape.width, shape.height, shape.colours);
    PdfImage image;
    if (!carry_deflated(rows, rows.size() / static_cast<std::size_t>(shape.height), image)) return std::nullopt;
    image.width = shape.width;
    image.height = shape.height;
    image.components = shape.colours;
    image.bits_per_component = shape.bits;
    if (usable_icc_profile(icc, shape.colours)) image.icc = std::string(icc);
    return image;
}

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/jxl/jxl_image.h"

#include <cstdio>
#include <memory>
#include <string>

#include "platform/photos/flate_rows.h"
#include "platform/photos/jpeg_structure.h"
#include "platform/photos/jxl/jxl_pixels.h"
#include "platform/photos/photo_header.h"
#include "platform/photos/row_reducer.h"

namespace posteri {

namespace {

// The JPEG the file was made from, with its own facts as the JPEG reader reads them; nothing when
// it cannot be rebuilt whole, or is no JPEG a page carries as it is.
std::optional<PdfImage> rebuilt_jpeg(const JxlReader& reader, std::string_view file) {
    auto bytes = std::make_shared<const ByteBlock>(reader.jpeg(file));
    const std::string_view jpeg = bytes->view();
    if (jpeg.empty() || !jpeg_structure_is_whole(jpeg)) return std::nullopt;
    const PhotoFile memory(fmemopen(const_cast<char*>(jpeg.data()), jpeg.size(), "rb"), std::fclose);
    const std::optional<PhotoHeader> header = memory ? read_photo_header(memory.get()) : std::nullopt;
    if (!header || header->kind != PhotoKind::Jpeg || !header->pdf_colours || header->arithmetic)
        return std::nullopt;
    return jpeg_image(std::move(bytes), *header);
}

}  // namespace

std::optional<PdfImage> jxl_image(std::string_view file, long long most_pixels, bool& cut_short) {
    JxlFacts facts;
    const JxlReader* reader = jxl_facts(file, facts);
    if (reader == nullptr) return std::nullopt;
    if (facts.jpeg) {
        if (std::optional<PdfImage> jpeg = rebuilt_jpeg(*reader, file)) return jpeg;
    }
    const int colours = facts.grey ? 1 : 3;
    const int channels = colours + (facts.alpha ? 1 : 0);
    // 16-bit samples stay 16-bit; transparency is laid over white at 8 bits.
    const int sample_bytes = facts.sixteen_bits && !facts.alpha ? 2 : 1;
    const DecodedGrid grid = decoded_grid(*reader, file, facts, channels, sample_bytes);
    if (!grid.pixels) return std::nullopt;
    cut_short = grid.cut_short;
    const ScaledSize size = scaled_within(facts.width, facts.height, most_pixels);
    const std::size_t row_bytes = 1 + static_cast<std::size_t>(channels) * sample_bytes * size.width;
    // Each row behind the byte its filter type takes.
    std::string rows(row_bytes * static_cast<std::size_t>(size.height), '\0');
    reduce_grid({grid.pixels.get(), facts.width, facts.height, channels, sample_bytes},
                reinterpret_cast<unsigned char*>(rows.data() + 1), row_bytes, size);
    return flate_image(std::move(rows), {size.width, size.height, colours, 8 * sample_bytes}, facts.alpha,
                       facts.icc);
}

}  // namespace posteri

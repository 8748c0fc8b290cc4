// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded rows as a PDF page carries them losslessly, for the kinds PDF has no filter for: laid over
// white, Flate-compressed behind the PNG predictor's filter bytes, with their ICC profile.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/photos/pdf_image.h"

namespace posteri {

struct RowsShape {
    int width = 0;
    int height = 0;
    int colours = 3;  // samples a pixel: 1 grey, 3 RGB
    int bits = 8;     // a sample's: 8, or 16 with the high byte first
};

// `rows` (of `row_bytes` each, the first free for the filter type) as the image's data, filtered and
// deflated, the image's coding set to match; false when they cannot be compressed.
bool carry_deflated(std::string& rows, std::size_t row_bytes, PdfImage& image);

// The image object of `shape.height` rows, each a byte left for its filter type and then
// `shape.width` pixels of its colours and, when `alpha` (8-bit rows only), an alpha byte, which is
// laid over white. `icc` goes with it when it is usable for the colours. Nothing when the rows
// cannot be compressed.
std::optional<PdfImage> flate_image(std::string rows, const RowsShape& shape, bool alpha,
                                    std::string_view icc);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Photos decoded for a page, which carries them losslessly: the size they are decoded at, and their
// rows behind PNG's filter bytes, deflated.

#include <cstddef>
#include <string>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The size a width x height image is decoded at: its own, or scaled in its proportions to at most
// `most_pixels` (at least 1 x 1).
struct ScaledSize {
    int width = 0;
    int height = 0;
};
ScaledSize scaled_within(int width, int height, long long most_pixels);

// Rows of `row_bytes` each, their first byte free for the filter type, all take PNG's Up filter, in place.
void apply_up_filter(std::string& rows, std::size_t row_bytes);

// The rows in a zlib stream; empty when they cannot be compressed.
std::string deflated(const std::string& rows);

// `rows` (of `row_bytes` each, the first free) as the image's data, filtered and deflated, the
// image's coding set to match; false when they cannot be compressed.
bool carry_deflated(std::string& rows, std::size_t row_bytes, PdfImage& image);

}  // namespace posteri

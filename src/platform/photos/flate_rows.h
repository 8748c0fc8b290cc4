// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded rows as a PDF page carries them losslessly: behind the PNG predictor's Up filter, in a
// zlib stream, for photo kinds PDF has no filter of its own for.

#include <optional>
#include <string>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of `rows`: `height` rows of 8-bit RGB samples, each behind one byte kept for its
// filter type, which the rows are filtered in place into. Nothing when they cannot be compressed.
std::optional<PdfImage> flate_rgb_image(std::string rows, int width, int height, std::string icc);

}  // namespace posteri

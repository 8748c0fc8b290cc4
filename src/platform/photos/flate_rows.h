// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded rows as a PDF page carries them losslessly, for the kinds PDF has no filter for: laid over
// white, Flate-compressed behind the PNG predictor's filter bytes, with their ICC profile.

#include <optional>
#include <string>
#include <string_view>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of `height` rows, each a byte left for its filter type and then `width` pixels
// of `colours` bytes (1 grey, 3 RGB) and, when `alpha`, an alpha byte, which is laid over white.
// `icc` goes with it when it is usable for the colours. Nothing when the rows cannot be compressed.
std::optional<PdfImage> flate_image(std::string rows, int width, int height, int colours, bool alpha,
                                    std::string_view icc);

}  // namespace posteri

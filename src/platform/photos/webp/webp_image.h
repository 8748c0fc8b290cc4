// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A WebP photo as a PDF page carries it: PDF has no filter for WebP, so its first frame is decoded,
// in its own colours, and carried losslessly as Flate-compressed rows behind the PNG predictor's
// filter bytes, with its ICC profile.

#include <optional>
#include <string_view>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of the file's first frame, at its own size or scaled to at most `most_pixels`
// (a page shows no more than its printer's dots), transparency laid over white. Data cut short or
// damaged gives what was decoded before it, the rest white, and sets `cut_short`; nothing when no
// row could be decoded.
std::optional<PdfImage> webp_image(std::string_view file, long long most_pixels, bool& cut_short);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A HEIF photo as a PDF page carries it: PDF has no filter for HEVC or AV1, so its primary image is
// decoded, in its own colours, and carried losslessly as Flate-compressed rows behind the PNG
// predictor's filter bytes, with its ICC profile or one made from its nclx colour box.

#include <optional>
#include <string_view>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of the primary image, upright, at its own size or reduced by a whole factor to
// at most `most_pixels` (a page shows no more than its printer's dots), transparency laid over
// white. Damaged data libheif still decodes sets `cut_short`; nothing when it decodes nothing.
std::optional<PdfImage> heif_image(std::string_view file, long long most_pixels, bool& cut_short);

}  // namespace posteri

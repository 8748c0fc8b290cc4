// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A JPEG XL photo as a PDF page carries it: one made from a JPEG as that JPEG, rebuilt bit for bit;
// any other decoded, in its own colours, into Flate-compressed rows with its ICC profile, as PDF has
// no filter for JPEG XL.

#include <optional>
#include <string_view>

#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of the file: its JPEG, or its first frame at its own size or scaled to at most
// `most_pixels` (a page shows no more than its printer's dots), transparency laid over white. Data
// cut short gives what libjxl renders of it, and sets `cut_short`; nothing when no
// pixel could be decoded.
std::optional<PdfImage> jxl_image(std::string_view file, long long most_pixels, bool& cut_short);

}  // namespace posteri

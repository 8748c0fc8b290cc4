// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TIFF photo as a PDF page carries it: its own strips, unchanged, where PDF has the filter for
// them (JPEG, Deflate or LZW with or without horizontal differencing, none, fax Group 4) and they
// make one stream; else its first page decoded in its own colours, at its own depth, into rows
// carried losslessly. Either way with its ICC profile.

#include <optional>
#include <string_view>

#include "platform/photos/pdf_image.h"
#include "platform/photos/tiff/tiff_decoder.h"

namespace posteri {

// The image object of the page's own data; nothing when PDF cannot carry it as it is.
std::optional<PdfImage> tiff_own_image(std::string_view file, const TiffFeatures& features);

// The image object of the file's first page: its own data where it can be carried, else decoded
// at its own size or scaled to at most `most_pixels`. Data cut short or damaged gives what was
// decoded before it, the rest white, and sets `cut_short`; nothing when no row could be decoded.
std::optional<PdfImage> tiff_image(std::string_view file, long long most_pixels, bool& cut_short);

}  // namespace posteri

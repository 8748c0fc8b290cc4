// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PNG's image data as a PDF page carries it: the deflated rows of all its IDAT chunks, which PDF's
// Flate filter reads with the PNG predictor, its palette, and its ICC profile.

#include <memory>
#include <optional>

#include "platform/photos/byte_block.h"
#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of a PNG file (every chunk's checksum right up to the end of its image data;
// what follows is not read) whose rows are stored in order, of grey, RGB or palette colours without
// transparency, and whose data inflates, in full, to exactly those rows, each with a filter type
// PNG knows; nothing for any other, which is decoded instead. Its first profile (iCCP) is used,
// unless it is damaged or does not fit the colours.
std::optional<PdfImage> png_image(std::shared_ptr<const ByteBlock> file);

}  // namespace posteri

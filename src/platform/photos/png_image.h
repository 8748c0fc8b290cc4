// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PNG's image data as a PDF page carries it: the deflated rows of all its IDAT chunks, which PDF's
// Flate filter reads with the PNG predictor, its palette, and its ICC profile.

#include <memory>
#include <optional>

#include "platform/photos/byte_block.h"
#include "platform/photos/pdf_image.h"

namespace posteri {

// The image object of a whole PNG file (every chunk's checksum right, up to IEND) whose rows are
// stored in order, of grey, RGB or palette colours without transparency, and whose data begins as a
// deflate stream of those rows (holds exactly those rows, when it ends within its first megabyte);
// nothing for any other, which is decoded instead. A profile (iCCP) that is damaged or does not fit
// the colours is left out.
std::optional<PdfImage> png_image(std::shared_ptr<const ByteBlock> file);

}  // namespace posteri

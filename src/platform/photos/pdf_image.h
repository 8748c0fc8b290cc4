// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo's own image data as a PDF page carries it, unchanged: a JPEG's bytes or a PNG's deflated
// rows, with what the image object must say of them. cairo is handed a small placeholder JPEG in
// the photo's place, which the PDF page's photo object writer later swaps for this data.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/photos/byte_block.h"
#include "platform/photos/photo_header.h"

namespace posteri {

enum class PdfImageCoding {
    Dct,       // JPEG bytes
    PngFlate,  // a PNG's image data: deflated rows, each behind its filter byte
};

struct PdfImage {
    std::shared_ptr<const ByteBlock> block;  // holds `data`
    // The stream as the PDF carries it, in the pieces the file holds it in (a PNG's IDAT chunks),
    // so that it is never copied; a JPEG is one piece.
    std::vector<std::string_view> data;
    int width = 0;
    int height = 0;
    int components = 3;  // 1 grey, 3 RGB, 4 CMYK; of the palette's colours for an indexed image
    int bits_per_component = 8;
    PdfImageCoding coding = PdfImageCoding::Dct;
    bool inverted = false;  // CMYK stored as Adobe's applications store it, 0 for full ink
    std::string palette;    // an indexed image's colours, `components` bytes each
    std::string icc;        // a usable ICC profile of `components` components, or empty
    // The JPEG cairo is given in the photo's place; unique to this image (see with_placeholder).
    std::string placeholder;
};

// The JPEG in `bytes`, whose headers `header` holds, as its image object carries it: its bytes,
// DCT-coded, with its profile where PDF readers can use it.
PdfImage jpeg_image(std::shared_ptr<const ByteBlock> bytes, const PhotoHeader& header);

// The image with a placeholder of its own.
std::shared_ptr<const PdfImage> with_placeholder(PdfImage image);

}  // namespace posteri

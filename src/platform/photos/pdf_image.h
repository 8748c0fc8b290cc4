// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo's own image data as a PDF page carries it, unchanged: a JPEG's bytes, a PNG's deflated
// rows or a TIFF's strips, with what the image object must say of them. cairo is handed a small placeholder JPEG in
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
    Flate,     // deflated rows as they are, or behind TIFF's horizontal differencing (`tiff_predictor`)
    Lzw,       // the same, LZW-coded as TIFF and PDF code it
    Raw,       // the rows as they are
    CcittG4,   // one bit a pixel, coded as fax Group 4 is
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
    bool inverted = false;  // CMYK stored as Adobe's applications store it, 0 for full ink; grey 0 for white
    bool tiff_predictor = false;  // Flate or LZW rows coded as differences from the pixel on their left
    bool black_is_1 = false;      // CcittG4: the coding's black runs are ones, and so show white
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

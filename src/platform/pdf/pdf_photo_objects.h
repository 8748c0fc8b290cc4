// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo's image object written by the page itself, where cairo 1.16 cannot write it: a CMYK JPEG
// that Adobe's applications stored inverted needs a Decode array, a profile an ICCBased colour
// space, and a PNG its compressed rows with their predictor. cairo is given a small placeholder
// JPEG for the photo; as its PDF is finished, each placeholder's object is replaced by the photo's
// own, its profile written into the object that held the placeholder's length, and the
// cross-reference table moved to the new offsets. The photo's bytes go from their block to the
// destination once, never through cairo.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/byte_block.h"

namespace posteri {

// Receives the PDF bytes as they are produced.
using PdfWriter = std::function<void(const unsigned char* data, unsigned int length)>;

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

// The image with a placeholder of its own.
std::shared_ptr<const PdfImage> with_placeholder(PdfImage image);

// Sits between cairo's PDF output and `destination`. Bytes pass straight through while no image
// has been added; once one is, the output is held until finish() writes it with the photos in.
class PhotoObjectWriter {
  public:
    explicit PhotoObjectWriter(PdfWriter destination) : destination_(std::move(destination)) {}

    void add(std::shared_ptr<const PdfImage> image);
    const std::vector<std::shared_ptr<const PdfImage>>& images() const { return images_; }
    void write(const unsigned char* data, unsigned int length);
    // Writes what is held; false when a placeholder's object or the cross-reference table could
    // not be read, in which case nothing more is written.
    bool finish();

  private:
    PdfWriter destination_;
    std::vector<std::shared_ptr<const PdfImage>> images_;
    std::string held_;
    std::size_t passed_ = 0;  // bytes written through before any was held
};

}  // namespace posteri

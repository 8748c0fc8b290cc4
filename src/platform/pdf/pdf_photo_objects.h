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
#include <vector>

#include "platform/photos/pdf_image.h"

namespace posteri {

// Receives the PDF bytes as they are produced.
using PdfWriter = std::function<void(const unsigned char* data, unsigned int length)>;

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

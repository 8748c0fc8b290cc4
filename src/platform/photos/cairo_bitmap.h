// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux memory bitmap: a cairo RGB24 image surface (bytes blue, green, red, unused: the
// BitmapBits pixel order). A bitmap made from a photo file may also carry the image data a PDF page
// embeds unchanged, and a small blank stand-in for it, so that printing a large photo never decodes it.

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/photos/images.h"
#include "platform/photos/pdf_image.h"

namespace posteri {

// A photo that a PDF page carries in its own bytes (a JPEG as it is, a PNG's compressed rows), with
// what it takes to place it upright.
struct EmbeddedPhoto {
    std::shared_ptr<const PdfImage> image;  // nullptr for a stand-in that is only ever shown
    int stored_width = 0;   // the pixel grid of the image, before the orientation is applied
    int stored_height = 0;
    int orientation = 1;    // EXIF 1..8: how the stored grid turns upright
    // A surface in the shape of the stored grid, owned by the bitmap: blank and at most 64 pixels a
    // side for a printed photo, whose page writes the image in its place and never the proxy's
    // pixels. Anything that shows the photo draws pixels(), or a proxy holding decoded pixels.
    cairo_surface_t* proxy = nullptr;
};

class CairoBitmap : public MemoryBitmap {
public:
    // The upright pixels at full size, owned by the bitmap (a photo may decode them on first use);
    // nullptr when they cannot be had.
    virtual cairo_surface_t* pixels() const = 0;
    // The photo's own image data, or nullptr for a bitmap that has none (drawn from pixels()).
    virtual const EmbeddedPhoto* embedded() const { return nullptr; }
};

}  // namespace posteri

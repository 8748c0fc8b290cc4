// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux memory bitmap: a cairo RGB24 image surface (bytes blue, green, red, unused: the
// BitmapBits pixel order). A bitmap made from a JPEG photo also carries bytes a PDF page can embed
// unchanged, and a small blank stand-in for them, so that printing a large photo never decodes it.

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/images.h"
#include "platform/linux/byte_block.h"

namespace posteri {

// A JPEG that PDF can carry as it is (Huffman-coded, gray or YCbCr), with what it takes to place
// it upright.
struct EmbeddableJpeg {
    std::shared_ptr<const ByteBlock> bytes;
    int stored_width = 0;   // the pixel grid of the bytes, before the orientation is applied
    int stored_height = 0;
    int orientation = 1;    // EXIF 1..8: how the stored grid turns upright
    // A blank surface in the shape of the stored grid, at most 64 pixels a side, owned by the
    // bitmap; a PDF surface is given this proxy with `bytes` attached as its JPEG MIME data, and
    // embeds those bytes, never the proxy's pixels. Anything that shows the photo draws pixels().
    cairo_surface_t* proxy = nullptr;
};

class CairoBitmap : public MemoryBitmap {
public:
    // The upright pixels at full size, owned by the bitmap (a photo may decode them on first use);
    // nullptr when they cannot be had.
    virtual cairo_surface_t* pixels() const = 0;
    // The photo's embeddable JPEG, or nullptr for a bitmap that has none (drawn from pixels()).
    virtual const EmbeddableJpeg* jpeg() const { return nullptr; }
};

}  // namespace posteri

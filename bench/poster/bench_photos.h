// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photos the poster benchmark prints: camera-like pictures in the kinds a person brings (RGB
// JPEGs, one with an ICC profile, an Adobe CMYK JPEG, an RGB PNG, a WebP, a HEIC, two JPEG XL, a TIFF)
// and a flat PNG too big to decode whole.

#include <string>
#include <vector>

#include "support/test_photos.h"

namespace posteri::bench {

enum class PhotoKind {
    Jpeg,      // RGB, JFIF at 300 dpi
    IccJpeg,   // RGB carrying a wide-gamut profile
    CmykJpeg,  // inverted CMYK with an Adobe marker, as Photoshop writes it
    Png,       // non-interlaced RGB
    FlatPng,   // RGB of one colour, which compresses to almost nothing
    Webp,      // lossy, as a browser saves a photo
    Jxl,       // lossy (cjxl's default distance), as a camera or an archive saves one
    JpegJxl,   // made from an RGB JPEG, which it rebuilds
    Tiff,      // LZW strips of a few rows, as a photo editor saves one (written by ImageMagick)
    Heic,      // lossy HEVC, about as a phone saves a photo
};

struct PhotoSpec {
    std::string name;
    int width = 0;
    int height = 0;
    PhotoKind kind = PhotoKind::Jpeg;
    posteri::test::Coding coding = posteri::test::Coding::Baseline;

    // The name followed by the pixel size.
    std::string label() const;
};

// Writes every photo into `folder` from a forked helper, so that their buffers never raise the
// caller's peak memory (which the kernel carries into every child it starts afterwards).
bool make_photos(const std::string& folder, const std::vector<PhotoSpec>& photos);

}  // namespace posteri::bench

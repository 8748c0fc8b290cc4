// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo as a preview shows it: decoded once, at a fraction of its size, and kept.

#include <memory>
#include <string>

#include "platform/photos/images.h"

namespace posteri {

// A bitmap of the upright photo's full size in pixel coordinates, drawn by a page from pixels
// decoded at the smallest eighth of the photo's size (libjpeg's DCT scaling) whose longer side has
// at least `long_side` pixels. A photo that is not a JPEG is decoded whole. nullptr when the file
// cannot be read as a photo. Only for pages drawn on image surfaces: there is nothing to embed.
std::unique_ptr<MemoryBitmap> preview_photo(const std::string& path, int long_side);

}  // namespace posteri

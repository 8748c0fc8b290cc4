// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The photo as a preview shows it: decoded once, at about the window's size, and kept.

#include <memory>
#include <string>

#include "platform/photos/images.h"

namespace posteri {

// A bitmap of the upright photo's full size in pixel coordinates, drawn by a page from pixels
// decoded reduced while they are read (a JPEG through libjpeg's DCT scaling, then by a whole factor;
// a PNG row by row by a whole factor), so that the longer side keeps at least `long_side` pixels
// and any photo, however large, takes about the window's own pixels. Colours, orientation and a
// damaged JPEG's repair are those of the printed photo. nullptr when the file cannot be read as a
// photo. Only for pages drawn on image surfaces: there is nothing to embed.
std::unique_ptr<MemoryBitmap> preview_photo(const std::string& path, int long_side);

}  // namespace posteri

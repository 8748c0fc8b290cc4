// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text extents as Windows measures them for a font window: each text in the one face its font
// selects, straight from the font file, without searching the whole font set for other faces. The
// width is the sum of the characters' advances in whole pixels, unshaped (a missing glyph counts as
// an ordinary character of another face), the height the face's cell. Measured in parallel over the
// processors: only HarfBuzz is used there, which is safe on many threads.

#include <functional>
#include <vector>

#include "platform/geometry.h"
#include "platform/type/fonts.h"

namespace posteri {

// The em in pixels of a font of `points` points.
using EmPixels = std::function<int(int points)>;

// The extents of `texts` in order; `progress` is called on the calling thread, after the first half
// second, a few times a second.
std::vector<TextExtent> measure_faces(const std::vector<const FontText*>& texts, const EmPixels& em_of,
                                      const MeasureProgress& progress);

}  // namespace posteri

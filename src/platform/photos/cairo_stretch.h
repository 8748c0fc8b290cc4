// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Halftone stretching with cairo, shared by memory bitmaps and windows.

#include <cairo.h>

#include "platform/geometry.h"

namespace posteri {

// Paints the source rectangle of `pixels` onto the destination rectangle of `cr`'s target, both with
// inclusive corners; the destination's real corners round to whole pixels, ties to even. Box-filtered
// (cairo's "good" filter), and pixels just outside the source repeat its edge rather than fade.
// A rectangle whose second corner lies before its first (a negative size) mirrors the picture along
// that axis. Nothing is painted for an empty rectangle. The context's state is left as it was.
void paint_stretched(cairo_t* cr, cairo_surface_t* pixels, const PixelRect& from, const DeviceRect& to);

// The geometry of paint_stretched: clips `cr` to the destination rectangle and scales it so that the
// source rectangle's size, from user (0, 0), covers it. False, changing nothing, for an empty
// rectangle. The caller saves and restores the context's state around it.
bool clip_and_scale_onto(cairo_t* cr, const PixelRect& from, const DeviceRect& to);

}  // namespace posteri

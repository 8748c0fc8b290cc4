// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/cairo_stretch.h"

#include <cmath>

namespace posteri {

bool clip_and_scale_onto(cairo_t* cr, const PixelRect& from, const DeviceRect& to) {
    const double left = std::nearbyint(to.x1);
    const double top = std::nearbyint(to.y1);
    // A negative size runs from the first corner backwards: the picture is mirrored.
    const double width = std::nearbyint(to.x2) - left + 1;
    const double height = std::nearbyint(to.y2) - top + 1;
    const double source_width = from.x2 - from.x1 + 1;
    const double source_height = from.y2 - from.y1 + 1;
    if (width == 0 || height == 0 || source_width == 0 || source_height == 0) return false;
    cairo_rectangle(cr, left, top, width, height);
    cairo_clip(cr);
    cairo_translate(cr, left, top);
    cairo_scale(cr, width / source_width, height / source_height);
    return true;
}

void paint_stretched(cairo_t* cr, cairo_surface_t* pixels, const PixelRect& from, const DeviceRect& to) {
    cairo_save(cr);
    if (clip_and_scale_onto(cr, from, to)) {
        cairo_set_source_surface(cr, pixels, -from.x1, -from.y1);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
    }
    cairo_restore(cr);
}

}  // namespace posteri

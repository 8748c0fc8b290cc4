// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drawing a poster page for the preview: onto an image surface that shows the whole sheet, with the
// printed page's own drawing code.

#include <cairo.h>

#include "platform/photos/images.h"
#include "platform/windows/poster_preview.h"

namespace posteri {

// Picture pixels per point when a picture `height` pixels high shows the whole sheet.
double preview_scale(const SheetMetrics& sheet, int height);

// White, the printable area's edge dotted when the sheet has margins, then the photo (when there is
// one to draw) and the text lines in black, as the print job draws them on paper.
void draw_preview_page(cairo_surface_t* picture, const PreviewPage& page, const MemoryBitmap* photo);

}  // namespace posteri

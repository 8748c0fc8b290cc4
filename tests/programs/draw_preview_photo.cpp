// SPDX-License-Identifier: GPL-3.0-or-later
// draw-preview-photo: a photo decoded and drawn as the poster preview's window draws it, without a
// display, so that a test can measure what one preview costs in a process of its own. The photo
// fills a square picture of <long side> pixels; prints the upright photo's size and the picture's
// colours near its four corners (top-left, top-right, bottom-left, bottom-right) as RRGGBB:
//   draw-preview-photo <photo> <long side>   -> "<width> <height> <rgb> <rgb> <rgb> <rgb>"
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/windows/cairo_preview_drawing.h"
#include "platform/windows/preview_photo.h"

namespace {

constexpr int kInset = 3;

std::uint32_t rgb_at(cairo_surface_t* picture, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(picture) +
                               static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(picture);
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace posteri;
    const int side = argc == 3 ? std::atoi(argv[2]) : 0;
    if (side <= 2 * kInset) {
        std::fprintf(stderr, "uso: draw-preview-photo <foto> <lato>\n");
        return 2;
    }
    const std::unique_ptr<MemoryBitmap> photo = preview_photo(argv[1], side);
    if (!photo) return 1;
    // A sheet of the picture's size at 72 dots an inch: a device pixel is a picture pixel.
    const SheetMetrics sheet{side, side, 0, 0, side, side, 72, 72};
    const PreviewPhoto placed{
        argv[1], {0, 0, photo->width() - 1, photo->height() - 1}, {0, 0, side - 1.0, side - 1.0}};
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
    draw_preview_page(picture, PreviewPage{sheet, placed, {}}, photo.get());
    const int far = side - 1 - kInset;
    std::printf("%d %d %06x %06x %06x %06x\n", photo->width(), photo->height(),
                rgb_at(picture, kInset, kInset), rgb_at(picture, far, kInset), rgb_at(picture, kInset, far),
                rgb_at(picture, far, far));
    cairo_surface_destroy(picture);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sizes, points and rectangles in pixels, as every room of the platform measures and draws: a
// printer's page, a memory bitmap and a window alike.

namespace posteri {

struct TextExtent {
    int width = 0;
    int height = 0;
    bool operator==(const TextExtent&) const = default;
};

struct DevicePoint {
    int x = 0;
    int y = 0;
    bool operator==(const DevicePoint&) const = default;
};

// A rectangle of whole pixels, corners inclusive (x1..x2 covers x2 - x1 + 1 pixels).
struct PixelRect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const PixelRect&) const = default;
};

// A rectangle in device coordinates with real corners, inclusive; the printer rounds each corner to
// the nearest pixel, ties to even.
struct DeviceRect {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const DeviceRect&) const = default;
};

}  // namespace posteri

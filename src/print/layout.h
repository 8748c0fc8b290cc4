// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where everything goes on the sheet: the photo box, which part of the photo is shown and where, and
// the three text lines below the box. A pure computation over the settings, the printer's sheet
// metrics, the photo's size and a text measurer, so it runs the same with or without a printer.
//
// Lengths on paper are single-precision centimetres, converted with one factor for both axes:
// dots per cm = horizontal dots per inch / 2.54. Device coordinates start at the corner of the
// printable area. Every float-to-integer conversion rounds to the nearest integer, ties to even.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pdf/printers.h"
#include "settings/poster_settings.h"

namespace posteri {

// Width and height in device pixels of a text in the given font.
using TextMeasurer =
    std::function<TextExtent(std::string_view face, int points, bool bold, std::string_view text)>;

struct PhotoSize {
    int width = 0;
    int height = 0;
};

// The inner box as it takes effect: a negative size is a margin left short of the printable area's
// far edge, counted from the sheet's top-left corner.
struct EffectiveBox {
    float width_cm = 0;
    float height_cm = 0;
    bool operator==(const EffectiveBox&) const = default;
};

// The photo box on the sheet.
struct PhotoBox {
    float x_cm = 0;  // its corner in page coordinates, after autocentring
    float y_cm = 0;
    float width_cm = 0;  // a size of 0 has become the whole sheet
    float height_cm = 0;
    int width_px = 0;
    int height_px = 0;
    double x0 = 0;  // its corner in device coordinates
    double y0 = 0;
};

// Which part of the photo (pixels, corners inclusive) goes where on the device (corners inclusive).
struct PhotoPlacement {
    PixelRect source;
    DeviceRect destination;
    bool operator==(const PhotoPlacement&) const = default;
};

struct TextLine {
    std::string face;
    int points = 0;
    bool bold = true;
    std::string text;
    double x = 0;  // left edge, rounded only by the printer
    int y = 0;     // top edge
    bool operator==(const TextLine&) const = default;
};

struct PosterLayout {
    EffectiveBox effective;
    PhotoBox box;
    // Nothing when there is no photo or the fit mode is not 0 to 3.
    std::optional<PhotoPlacement> photo;
    // The title's size in points; 0 when no size from 200 down to 10 fits the text band.
    int title_points = 0;
    std::array<TextLine, 3> lines;
    // The device y just below the third line.
    int y_testo_px = 0;
};

// To the nearest integer, ties to even (a device pixel of a real coordinate). Not-a-number gives 0 and
// values beyond the integer range stop at its ends.
int round_even(double value);

// Horizontal dots per inch / 2.54, single precision: the one factor for both axes.
float dots_per_cm(const SheetMetrics& sheet);

EffectiveBox effective_box(const PosterSettings& settings);

// Autocentring: the corner that centres a box of the given size on the physical sheet.
void STAMPACE(const SheetMetrics& sheet, float& x_cm, float& y_cm, float width_cm, float height_cm);

PhotoBox photo_box(const SheetMetrics& sheet, float x_cm, float y_cm, float width_cm, float height_cm,
                   bool autocentre);

// Fit modes: 0 the box's height, proportions kept, width unbounded; 1 stretched over the box;
// 2 the largest proportional fit, centred; 3 the box filled, the excess cut equally on both sides.
std::optional<PhotoPlacement> place_photo(const PhotoBox& box, int fits, PhotoSize photo);

// The title size: the largest whole size from 200 down to 10 points at which three lines of the
// sample text "testo" in bold "pragmatapro" stay strictly lower than the text band; 0 when none does.
int CALCOLAZ(const PosterSettings& settings, const TextMeasurer& measure);

PosterLayout lay_out_poster(const PosterSettings& settings, const SheetMetrics& sheet,
                            std::optional<PhotoSize> photo, const TextMeasurer& measure);

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "format/text.h"

// Single-precision values (the record's lengths, the factors 2.54, 0.9 and 0.6, the photo's shape)
// are combined in double, where sums and products of floats are exact or nearly so, and rounded back
// to float only where the value is kept as a length in centimetres.

namespace posteri {

namespace {

constexpr float kCmPerInch = 2.54f;
constexpr float kSubtitleFactor = 0.9f;
constexpr float kDateFactor = 0.6f;
constexpr int kLargestTitle = 200;
constexpr int kSmallestTitle = 10;
// A bisection of the 192 answers takes 8 measurements; two more let the search follow its guesses.
constexpr int kTitleMeasurements = 10;
constexpr int kFontPointsForZero = 8;
constexpr std::string_view kTitleSampleFace = "pragmatapro";
constexpr std::string_view kTitleSampleText = "testo";

float single(double value) {
    return static_cast<float>(value);
}

// A size of 0 points is taken by font creation as 8 points.
int font_points(int size) {
    return size == 0 ? kFontPointsForZero : size;
}

PixelRect whole_photo(PhotoSize photo) {
    return {0, 0, photo.width - 1, photo.height - 1};
}

DeviceRect whole_box(const PhotoBox& box) {
    return {box.x0, box.y0, box.x0 + box.width_px, box.y0 + box.height_px};
}

// Whether the box is wider than the photo's shape; equal shapes are not.
bool box_is_wider(const PhotoBox& box, float photo_shape) {
    return single(box.height_px) / single(box.width_px) < photo_shape;
}

// Only the shape is single precision: the drawn size stays in double, since rounding it to float
// can move a centring offset that lies within a float's step of a half pixel (off_x 590.50005 would
// become 590.5 and round to 590).
PhotoPlacement fit_inside(const PhotoBox& box, PhotoSize photo, float shape) {
    if (box_is_wider(box, shape)) {
        const double drawn_width = box.height_px / static_cast<double>(shape);
        const int off_x = round_even((box.width_px - drawn_width) / 2);
        return {whole_photo(photo),
                {box.x0 + off_x, box.y0, box.x0 + off_x + drawn_width, box.y0 + box.height_px}};
    }
    const double drawn_height = static_cast<double>(shape) * box.width_px;
    const int off_y = round_even((box.height_px - drawn_height) / 2);
    return {whole_photo(photo),
            {box.x0, box.y0 + off_y, box.x0 + box.width_px, box.y0 + off_y + drawn_height}};
}

// A box of opposite signs cuts more than the whole photo away: the corners stay on the photo.
PixelRect within_photo(PixelRect part, PhotoSize photo) {
    part.x1 = std::clamp(part.x1, 0, photo.width - 1);
    part.x2 = std::clamp(part.x2, 0, photo.width - 1);
    part.y1 = std::clamp(part.y1, 0, photo.height - 1);
    part.y2 = std::clamp(part.y2, 0, photo.height - 1);
    return part;
}

PhotoPlacement fill_and_cut(const PhotoBox& box, PhotoSize photo, float shape) {
    const double img_w = photo.width;
    const double img_h = photo.height;
    if (box_is_wider(box, shape)) {
        const int cut_y = round_even((img_h - box.height_px * img_w / box.width_px) / 2);
        return {within_photo({0, cut_y, photo.width - 1, photo.height - 1 - cut_y}, photo), whole_box(box)};
    }
    const int cut_x = round_even((img_w - box.width_px * img_h / box.height_px) / 2);
    return {within_photo({cut_x, 0, photo.width - 1 - cut_x, photo.height - 1}, photo), whole_box(box)};
}

struct TextBlock {
    std::array<TextLine, 3> lines;
    int y_testo_px = 0;
};

// The three lines centred on the printable width, stacked from the top of a band of height
// `altezza_testo_cm` under the box, the block centred vertically in the band.
TextBlock lay_out_text(const PosterSettings& settings, float box_height_cm, int title_points,
                       const TextMeasurer& measure) {
    const std::string face(trim_spaces(settings.nomefont.view()));
    const int sizes[3] = {title_points, round_even(static_cast<double>(kSubtitleFactor) * title_points),
                          round_even(static_cast<double>(kDateFactor) * title_points)};
    const std::string_view texts[3] = {trim_spaces(settings.testo1.view()),
                                       trim_spaces(settings.testo2.view()),
                                       trim_spaces(settings.testo3.view())};
    TextBlock block;
    TextExtent extents[3];
    int total_height = 0;
    for (int i = 0; i < 3; ++i) {
        block.lines[i] = TextLine{face, font_points(sizes[i]), true, std::string(texts[i]), 0, 0};
        extents[i] = measure(face, block.lines[i].points, true, texts[i]);
        total_height += extents[i].height;
    }
    const double dots = settings.punti_cm;
    const float gap_cm = single((settings.altezza_testo_cm - total_height / dots) / 2);
    const double centre_x = settings.foglio_larghezza_cm / 2.0 * dots;
    int y = round_even((static_cast<double>(box_height_cm) + settings.py_cm + gap_cm) * dots);
    for (int i = 0; i < 3; ++i) {
        block.lines[i].x = centre_x - extents[i].width / 2.0;
        block.lines[i].y = y;
        y += extents[i].height;
    }
    block.y_testo_px = y;
    return block;
}

}  // namespace

// A sheet without dots per inch makes divisions by zero: their not-a-number results become 0 here
// rather than undefined conversions.
int round_even(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = std::numeric_limits<int>::max();
    if (value >= kLimit) return std::numeric_limits<int>::max();
    if (value <= -kLimit) return -std::numeric_limits<int>::max();
    return static_cast<int>(std::nearbyint(value));
}

float dots_per_cm(const SheetMetrics& sheet) {
    return static_cast<float>(sheet.dpi_x) / kCmPerInch;
}

EffectiveBox effective_box(const PosterSettings& settings) {
    EffectiveBox box{settings.larghezza_cm, settings.altezza_cm};
    if (settings.larghezza_cm < 0) {
        box.width_cm = single(static_cast<double>(settings.larghezza_cm) + settings.foglio_larghezza_cm -
                              settings.px_cm);
    }
    if (settings.altezza_cm < 0) {
        box.height_cm =
            single(static_cast<double>(settings.altezza_cm) + settings.foglio_altezza_cm - settings.py_cm);
    }
    return box;
}

void STAMPACE(const SheetMetrics& sheet, float& x_cm, float& y_cm, float width_cm, float height_cm) {
    const double dots = dots_per_cm(sheet);
    x_cm = single((sheet.physical_width / dots - width_cm) / 2);
    y_cm = single((sheet.physical_height / dots - height_cm) / 2);
}

PhotoBox photo_box(const SheetMetrics& sheet, float x_cm, float y_cm, float width_cm, float height_cm,
                   bool autocentre) {
    const double dots = dots_per_cm(sheet);
    PhotoBox box;
    box.x_cm = x_cm;
    box.y_cm = y_cm;
    box.width_cm = width_cm == 0 ? single(sheet.physical_width / dots) : width_cm;
    box.height_cm = height_cm == 0 ? single(sheet.physical_height / dots) : height_cm;
    if (autocentre) STAMPACE(sheet, box.x_cm, box.y_cm, box.width_cm, box.height_cm);
    box.width_px = round_even(dots * box.width_cm);
    box.height_px = round_even(dots * box.height_cm);
    box.x0 = dots * single(box.x_cm - sheet.offset_x / dots);
    box.y0 = dots * single(box.y_cm - sheet.offset_y / dots);
    return box;
}

std::optional<PhotoPlacement> place_photo(const PhotoBox& box, int fits, PhotoSize photo) {
    // An empty photo has nothing to show. A box of negative size is placed by the same rules: its
    // far corner lies before its near one, which mirrors the photo.
    if (photo.width <= 0 || photo.height <= 0) return std::nullopt;
    const float shape = single(photo.height) / single(photo.width);
    switch (fits) {
        case 0:
            return PhotoPlacement{
                whole_photo(photo),
                {box.x0, box.y0, box.x0 + static_cast<double>(photo.width) * box.height_px / photo.height,
                 box.y0 + box.height_px}};
        case 1:
            return PhotoPlacement{whole_photo(photo), whole_box(box)};
        case 2:
            return fit_inside(box, photo, shape);
        case 3:
            return fill_and_cut(box, photo, shape);
        default:
            return std::nullopt;
    }
}

// Heights grow with the size, so the sizes that fit the band are all those up to the largest one,
// found between the largest size known to fit and the smallest known not to. Each measurement costs
// a font lookup, so the next size asked for is the answer a height proportional to the size would
// give (text heights nearly are: mostly three measurements), kept where either outcome leaves a
// bisection enough measurements: at most 10 in all instead of up to 191.
int CALCOLAZ(const PosterSettings& settings, const TextMeasurer& measure) {
    const double band_px = static_cast<double>(settings.punti_cm) * settings.altezza_testo_cm;
    int fitting = kSmallestTitle - 1;  // taken to fit
    int too_tall = kLargestTitle + 1;  // taken not to fit
    int next = fitting + (too_tall - fitting) / 2;
    for (int left = kTitleMeasurements; too_tall - fitting > 1; --left) {
        const int reach = 1 << (left - 1);  // the sizes either outcome may leave
        next = std::clamp(next, std::max(fitting + 1, too_tall - reach),
                          std::min(too_tall - 1, fitting + reach));
        const int height = measure(kTitleSampleFace, next, true, kTitleSampleText).height;
        if (3.0 * height < band_px) {
            fitting = next;
        } else {
            too_tall = next;
        }
        const double limit = band_px * next / (3.0 * height);  // proportionally, the sizes below it fit
        next = std::isfinite(limit)
                   ? static_cast<int>(std::ceil(std::clamp(limit, fitting + 1.0, too_tall + 0.0))) - 1
                   : fitting + 1;
    }
    return fitting < kSmallestTitle ? 0 : fitting;
}

PosterLayout lay_out_poster(const PosterSettings& settings, const SheetMetrics& sheet,
                            std::optional<PhotoSize> photo, const TextMeasurer& measure) {
    PosterLayout layout;
    layout.effective = effective_box(settings);
    layout.box = photo_box(sheet, settings.px_cm, settings.py_cm, layout.effective.width_cm,
                           layout.effective.height_cm, settings.autocentra != 0);
    if (photo) layout.photo = place_photo(layout.box, settings.fits, *photo);
    layout.title_points = CALCOLAZ(settings, measure);
    TextBlock text = lay_out_text(settings, layout.effective.height_cm, layout.title_points, measure);
    layout.lines = std::move(text.lines);
    layout.y_testo_px = text.y_testo_px;
    return layout;
}

}  // namespace posteri

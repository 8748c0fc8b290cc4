// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/harfbuzz_font_cell.h"

#include <hb-ot.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "format/text.h"

namespace posteri {

namespace {

constexpr std::size_t kFaceNameLength = 31;
// A cell when no face answers: roughly a line of an ordinary face.
constexpr double kUnknownCellEms = 1.2;
constexpr double kUnknownAscentEms = 0.95;

struct CellUnits {
    double ascent = 0;
    double descent = 0;
    double per_em = 0;
};

int big_endian_16(const char* bytes) {
    return static_cast<std::int16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                     static_cast<unsigned char>(bytes[1]));
}

// The head table's yMax and -yMin: the box round every glyph of the face.
bool bounding_box(hb_face_t* face, CellUnits& cell) {
    constexpr unsigned kYMin = 38;
    constexpr unsigned kYMax = 42;
    hb_blob_t* head = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'));
    unsigned length = 0;
    const char* bytes = hb_blob_get_data(head, &length);
    const bool found = bytes != nullptr && length >= kYMax + 2;
    if (found) {
        cell.ascent = big_endian_16(bytes + kYMax);
        cell.descent = -big_endian_16(bytes + kYMin);
    }
    hb_blob_destroy(head);
    return found && cell.ascent + cell.descent > 0;
}

// usWinAscent and usWinDescent in font units: a font made without scale has one unit per font unit.
bool windows_cell(hb_face_t* face, CellUnits& cell) {
    hb_font_t* units = hb_font_create(face);
    hb_font_set_scale(units, static_cast<int>(cell.per_em), static_cast<int>(cell.per_em));
    hb_position_t ascent = 0;
    hb_position_t descent = 0;
    const bool found =
        hb_ot_metrics_get_position(units, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT, &ascent) &&
        hb_ot_metrics_get_position(units, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT, &descent);
    hb_font_destroy(units);
    cell.ascent = std::abs(ascent);
    cell.descent = std::abs(descent);
    return found && cell.ascent + cell.descent > 0;
}

}  // namespace

FontCell face_cell(hb_face_t* face, int em) {
    CellUnits cell{kUnknownAscentEms, kUnknownCellEms - kUnknownAscentEms, 1};
    CellUnits found{0, 0, static_cast<double>(hb_face_get_upem(face))};
    if (windows_cell(face, found) || bounding_box(face, found)) cell = found;
    // The whole is the scaled sum, so that the cell is as tall as the face says at any em.
    const int height = static_cast<int>(std::nearbyint((cell.ascent + cell.descent) * em / cell.per_em));
    const int ascent = static_cast<int>(std::nearbyint(cell.ascent * em / cell.per_em));
    return {ascent, height};
}

FontCell font_cell(PangoContext* context, const PangoFontDescription* font, int em) {
    PangoFont* loaded = pango_context_load_font(context, font);
    const FontCell cell = face_cell(loaded != nullptr ? hb_font_get_face(pango_font_get_hb_font(loaded))
                                                      : hb_face_get_empty(),
                                    em);
    if (loaded != nullptr) g_object_unref(loaded);
    return cell;
}

std::string_view requested_face(std::string_view name) {
    return trim_spaces(trim_spaces(name).substr(0, kFaceNameLength));
}

}  // namespace posteri

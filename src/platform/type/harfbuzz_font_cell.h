// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The height of a line of text as Windows measures it: the face's full cell, usWinAscent above the
// baseline and usWinDescent below it (its OS/2 table), scaled to the em. That cell is meant to hold
// every glyph, accented capitals included, where pango's logical line height (from the hhea or typo
// metrics) ends below them in some faces.

#include <hb.h>
#include <pango/pango.h>

#include <string>
#include <string_view>

namespace posteri {

struct FontCell {
    int ascent = 0;  // from the line's top down to the baseline
    int height = 0;  // the whole line
};

// The cell of `face` at an em of `em` pixels. A face whose OS/2 table has no cell takes its bounding
// box (head yMax and yMin); a face that cannot be read, 1.2 em.
FontCell face_cell(hb_face_t* face, int em);
// The cell of the face `font` selects in `context`.
FontCell font_cell(PangoContext* context, const PangoFontDescription* font, int em);

// The face name handed to the font configuration: trimmed, cut to its first 31 characters as a
// Windows face name is, and trimmed again.
std::string_view requested_face(std::string_view name);

}  // namespace posteri

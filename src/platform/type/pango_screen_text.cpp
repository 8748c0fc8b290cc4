// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/type/pango_screen_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "format/codepage.h"
#include "platform/type/font_extents.h"
#include "platform/type/harfbuzz_font_cell.h"

namespace posteri {

namespace {

// Screens are taken as 96 dots per inch, as the desktop's fonts are.
constexpr double kScreenDpi = 96.0;

struct FontDeleter {
    void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
};
using FontPtr = std::unique_ptr<PangoFontDescription, FontDeleter>;

FontPtr font_description(const FontSpec& font) {
    FontPtr description(pango_font_description_new());
    pango_font_description_set_family(description.get(), cp1252_to_utf8(requested_face(font.face)).c_str());
    pango_font_description_set_absolute_size(description.get(), screen_em(font.points) * PANGO_SCALE);
    const int style = std::max(font.style, 0);
    if (style & font_style::kBold) pango_font_description_set_weight(description.get(), PANGO_WEIGHT_BOLD);
    if (style & font_style::kItalic) pango_font_description_set_style(description.get(), PANGO_STYLE_ITALIC);
    return description;
}

}  // namespace

int screen_em(int points) {
    return std::max(static_cast<int>(std::nearbyint(std::abs(points) * kScreenDpi / 72.0)), 1);
}

LayoutPtr text_layout(cairo_t* cr, const FontSpec& font, std::string_view text) {
    LayoutPtr layout(pango_cairo_create_layout(cr));
    const FontPtr description = font_description(font);
    pango_layout_set_font_description(layout.get(), description.get());
    const int style = std::max(font.style, 0);
    if (style & (font_style::kUnderline | font_style::kStrikeOut)) {
        PangoAttrList* attributes = pango_attr_list_new();
        if (style & font_style::kUnderline)
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (style & font_style::kStrikeOut)
            pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout.get(), attributes);
        pango_attr_list_unref(attributes);
    }
    const std::string utf8 = cp1252_to_utf8(text);
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));
    return layout;
}

TextExtent logical_extent(PangoLayout* layout) {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return {logical.width, logical.height};
}

TextMasks::TextMasks()
    : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)), cr(cairo_create(surface)) {}

TextMasks::~TextMasks() {
    forget_masks();
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void TextMasks::destroy(Mask& mask) {
    if (mask.ink != nullptr) cairo_surface_destroy(mask.ink);
}

void TextMasks::forget_masks() {
    for (auto& [key, mask] : masks) destroy(mask);
    masks.clear();
}

void TextMasks::forget_oldest_mask() {
    const auto oldest = std::min_element(masks.begin(), masks.end(), [](const auto& a, const auto& b) {
        return a.second.used < b.second.used;
    });
    destroy(oldest->second);
    masks.erase(oldest);
}

bool TextMasks::has_mask(const FontSpec& font, std::string_view text) const {
    return masks.contains(font_text_key(font, text));
}

const TextMasks::Mask& TextMasks::mask(const FontSpec& font, std::string_view text) {
    const std::string key = font_text_key(font, text);
    if (const auto found = masks.find(key); found != masks.end()) {
        found->second.used = ++uses;
        return found->second;
    }
    if (masks.size() >= kMostMasks) forget_oldest_mask();
    const LayoutPtr layout = text_layout(cr, font, text);
    PangoRectangle ink;
    pango_layout_get_pixel_extents(layout.get(), &ink, nullptr);
    Mask made{nullptr, ink.x, ink.y, ++uses};
    if (ink.width > 0 && ink.height > 0) {
        made.ink = cairo_image_surface_create(CAIRO_FORMAT_A8, ink.width, ink.height);
        cairo_t* drawing = cairo_create(made.ink);
        pango_cairo_update_layout(drawing, layout.get());
        cairo_move_to(drawing, -ink.x, -ink.y);
        pango_cairo_show_layout(drawing, layout.get());
        cairo_destroy(drawing);
    }
    return masks.emplace(key, made).first->second;
}

}  // namespace posteri

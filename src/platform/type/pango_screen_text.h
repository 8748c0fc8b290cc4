// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text on the screen's windows: one-line pango layouts in a window's font at the screen's 96 dots
// per inch, and the texts drawn so far kept as alpha masks.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/geometry.h"
#include "platform/type/fonts.h"

namespace posteri {

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A size in points as whole pixels of the em on the screen, at least one.
int screen_em(int points);

// One line of text in the font, ready to measure or draw on `cr`.
LayoutPtr text_layout(cairo_t* cr, const FontSpec& font, std::string_view text);

TextExtent logical_extent(PangoLayout* layout);

// A small surface of its own for measuring text without a window, and the texts drawn so far as
// alpha masks: a window that shows the same rows again (a font window after each key) paints them
// instead of laying them out anew. When the masks are many, the one used longest ago goes: the rows
// in view and those readied ahead of the next keys stay.
class TextMasks {
  public:
    static constexpr std::size_t kMostMasks = 512;
    struct Mask {
        cairo_surface_t* ink = nullptr;  // nothing for a text without ink
        int x = 0;                       // the ink's corner from the text's top-left corner
        int y = 0;
        std::uint64_t used = 0;  // when it was last asked for
    };

    TextMasks();
    ~TextMasks();
    TextMasks(const TextMasks&) = delete;
    TextMasks& operator=(const TextMasks&) = delete;

    void forget_masks();
    bool has_mask(const FontSpec& font, std::string_view text) const;
    // The text's mask, drawn now unless it is kept.
    const Mask& mask(const FontSpec& font, std::string_view text);

    cairo_surface_t* surface;
    cairo_t* cr;  // for measuring
    std::string fonts;  // the key of the font set the masks were drawn with

  private:
    static void destroy(Mask& mask);
    void forget_oldest_mask();

    std::unordered_map<std::string, Mask> masks;
    std::uint64_t uses = 0;
};

}  // namespace posteri

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Graphic windows: top-level windows of a given pixel size and position, drawn into with fonts, text,
// boxes and bitmaps, and polled for keys and clicks. Without a display every window becomes a framed
// box on the console with the same texts and keys; a console cell then counts as kCellWidth x
// kCellHeight pixels, so callers compute in pixels either way.
//
// Drawing goes into the window's own picture and shows on the screen at present(). Colours are
// 0xRRGGBB. Texts are Windows-1252. Windows are known by handles; 0 is no window.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/photos/images.h"
#include "platform/type/fonts.h"

namespace posteri {

using WindowHandle = std::int32_t;

// The size of one console cell in pixels when windows are console boxes.
inline constexpr int kCellWidth = 8;
inline constexpr int kCellHeight = 16;

// A rectangle on the desktop or in a window, in pixels.
struct PixelArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelArea&) const = default;
};

struct WindowSpec {
    PixelArea area;       // top-left corner on the desktop and the drawable size
    std::string caption;  // empty: no title bar
    // A window its opener leaves open and never polls (a record card): as a console box it stands
    // at the right edge of the screen, beside the widget that opened it.
    bool lingering = false;
};

struct MouseClick {
    int count = 1;  // 1 single, 2 double
    int x = 0;      // window pixels
    int y = 0;
    bool operator==(const MouseClick&) const = default;
};

class GraphicWindows {
  public:
    virtual ~GraphicWindows() = default;

    // Whether windows are real windows on a display (false: console boxes).
    virtual bool has_display() = 0;
    // The whole desktop, and the part of it not taken by panels and task bars.
    virtual PixelArea desktop() = 0;
    virtual PixelArea work_area() = 0;

    virtual WindowHandle open(const WindowSpec& request) = 0;
    // Takes the window away (a console box puts back the cells it covered). Unknown handles are ignored.
    virtual void close(WindowHandle window) = 0;
    // Brings the window to the front and gives it the keyboard, where the desktop allows.
    virtual void raise(WindowHandle window) = 0;
    // The drawable size of an open window; 0 x 0 for an unknown handle.
    virtual PixelArea client_area(WindowHandle window) = 0;

    // Width and height of one line of text; measuring needs no window.
    virtual TextExtent measure_text(const FontSpec& font, std::string_view text) = 0;
    // The extents of many texts, each in its own font (on a display: in the one face the font
    // selects, as Windows measures text). While measuring takes longer than half a second,
    // `progress` is called on the calling thread a few times a second.
    virtual std::vector<TextExtent> measure_texts(const std::vector<FontText>& texts,
                                                  const MeasureProgress& progress) {
        (void)progress;
        std::vector<TextExtent> extents;
        for (const FontText& text : texts) extents.push_back(measure_text(text.font, text.text));
        return extents;
    }
    // The font's average character width and its line height.
    virtual TextExtent character_size(const FontSpec& font) = 0;

    virtual void clear(WindowHandle window, std::uint32_t rgb) = 0;
    // Text with its top-left corner at `at`; no background colour leaves the background showing.
    virtual void draw_text(WindowHandle window, DevicePoint at, const FontSpec& font, std::string_view text,
                           std::uint32_t rgb, std::optional<std::uint32_t> background = std::nullopt) = 0;
    // A box covering `area`, with a one-pixel outline along its edge and/or filled.
    virtual void draw_box(WindowHandle window, const PixelArea& area, std::optional<std::uint32_t> outline,
                          std::optional<std::uint32_t> fill) = 0;
    // Halftone stretch of part of a bitmap into the window, corners inclusive as in ImageCodec::stretch.
    virtual void draw_bitmap(WindowHandle window, const MemoryBitmap& bitmap, const PixelRect& from,
                             const DeviceRect& to) = 0;
    // Shows what was drawn since the last present().
    virtual void present(WindowHandle window) = 0;
    // Readies a text that may soon be drawn, so that drawing it then is quick (a display keeps it
    // drawn). Returns whether that took any work: false when it was ready already or nothing is kept.
    virtual bool ready_text(const FontSpec& font, std::string_view text) {
        (void)font;
        (void)text;
        return false;
    }

    // The next key typed into the window (or on the console while it is open) as a key string, "" when
    // none is waiting. Never waits: callers poll and sleep between polls.
    virtual std::string poll_key(WindowHandle window) = 0;
    // The last click in the window since the previous call, if any.
    virtual std::optional<MouseClick> poll_click(WindowHandle window) = 0;
    // A window drawn on the console puts the terminal's cursor on the cell of pixel `at` until the
    // next output, for screen readers; a window on a display has no such cursor.
    virtual void show_reading_point(WindowHandle window, DevicePoint at) { (void)window, (void)at; }
};

}  // namespace posteri

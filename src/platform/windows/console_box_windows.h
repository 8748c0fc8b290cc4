// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Graphic windows without a display: each window is a framed box on the console. A cell counts as
// kCellWidth x kCellHeight pixels, colours become the nearest of the 16 console colours, every font
// is the console's own, and bitmaps cannot be shown (their area is left as it is). Each box keeps its
// own copy of the cells it covers and puts them back when it closes, so it never disturbs the
// program-wide save buffer a widget may be holding.

#include <map>
#include <vector>

#include "platform/terminal/console.h"
#include "platform/windows/graphic_windows.h"

namespace posteri {

// The console colour (0..15) nearest to an 0xRRGGBB colour.
Attribute nearest_console_colour(std::uint32_t rgb);

class ConsoleBoxWindows : public GraphicWindows {
  public:
    explicit ConsoleBoxWindows(Console& console) : console_(console) {}

    bool has_display() override { return false; }
    PixelArea desktop() override;
    PixelArea work_area() override { return desktop(); }

    WindowHandle open(const WindowSpec& request) override;
    void close(WindowHandle window) override;
    // Draws the box again over whatever was written since.
    void raise(WindowHandle window) override { present(window); }
    PixelArea client_area(WindowHandle window) override;

    TextExtent measure_text(const FontSpec& font, std::string_view text) override;
    TextExtent character_size(const FontSpec&) override { return {kCellWidth, kCellHeight}; }

    void clear(WindowHandle window, std::uint32_t rgb) override;
    void draw_text(WindowHandle window, DevicePoint at, const FontSpec& font, std::string_view text,
                   std::uint32_t rgb, std::optional<std::uint32_t> background) override;
    void draw_box(WindowHandle window, const PixelArea& area, std::optional<std::uint32_t> outline,
                  std::optional<std::uint32_t> fill) override;
    void draw_bitmap(WindowHandle, const MemoryBitmap&, const PixelRect&, const DeviceRect&) override {}
    void present(WindowHandle window) override;

    // Keys come from the console; a console click inside a box, met while polling keys, is kept as
    // that box's click.
    std::string poll_key(WindowHandle window) override;
    void show_reading_point(WindowHandle window, DevicePoint at) override;
    std::optional<MouseClick> poll_click(WindowHandle window) override;

  private:
    struct Box {
        std::string caption;
        int width = 0;  // the picture in pixels, as asked for
        int height = 0;
        int cols = 0;  // the picture in cells
        int rows = 0;
        std::vector<Cell> picture;  // cols x rows, row by row
        CellRect outer;             // on the screen, frame included
        std::vector<Cell> covered;  // what the outer rectangle held before the box came
        bool mouse_was_on = false;
        std::optional<MouseClick> click;
    };

    Box* find(WindowHandle window);
    Cell* cell(Box& box, int row, int col);
    // The screen cell of the first character the box shows (its first inner cell when it shows none).
    CellPos first_text_cell(Box& box);
    void take_click(const std::string& key);

    Console& console_;
    std::map<WindowHandle, Box> boxes_;
    WindowHandle next_handle_ = 1;
};

}  // namespace posteri

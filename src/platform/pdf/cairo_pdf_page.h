// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One printed page drawn with cairo and pango, as a PDF stream or onto any other cairo surface. User
// units are device pixels: (0, 0) is the printable area's corner, and everything drawn is clipped to
// the printable area. Text keeps its shape on paper when the horizontal and vertical resolutions
// differ; its extents are device pixels, its height the font's cell as Windows measures it. Text is laid out without hinting on every surface, so its
// advances are those of the printed page whatever the surface.

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/pdf_photo_objects.h"
#include "platform/pdf/printers.h"
#include "platform/type/harfbuzz_font_cell.h"

namespace posteri {

class CairoBitmap;

// Makes this thread's font map now: it loads the font configuration on a thread of its own, which
// then overlaps whatever comes before the first text is measured (reading the photo).
void start_loading_fonts();

class PdfPage {
  public:
    // `title` is Windows-1252 text, stored as the document's Title.
    PdfPage(const SheetMetrics& sheet, std::string_view title, PdfWriter writer);
    // Draws onto `surface` (referenced, not taken) whose unit is `units_per_point` points: 1 for
    // PDF and recording surfaces, pixels per point for an image surface that shows the sheet.
    PdfPage(cairo_surface_t* surface, const SheetMetrics& sheet, double units_per_point);
    ~PdfPage();
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    // A new sheet, for a page on which nothing has been drawn yet (a PDF surface takes its size).
    void set_sheet(const SheetMetrics& sheet);

    void select_font(std::string_view face, int points, bool bold);
    void set_text_colour(std::uint32_t rgb) { colour_ = rgb; }
    TextExtent text_extent(std::string_view text);
    void move_to(DevicePoint position) { position_ = position; }
    void draw_text(std::string_view text);
    DevicePoint current_position() const { return position_; }
    void stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source, const DeviceRect& destination);
    // The photos' image objects drawn so far, which a PDF made from a recorded page writes in.
    const std::vector<std::shared_ptr<const PdfImage>>& photo_images() const { return objects_.images(); }

    // Ends the page and the document (finishes the surface); false when cairo could not produce it.
    bool finish();

  private:
    void place_origin();
    void paint_photo(const CairoBitmap& photo, const PixelRect& source);
    void to_text_grid();
    void start_drawing();
    const FontCell& cell();
    // Horizontal device pixels per vertical one.
    double text_x_scale() const { return static_cast<double>(sheet_.dpi_x) / sheet_.dpi_y; }

    SheetMetrics sheet_;
    PhotoObjectWriter objects_;  // a PDF surface writes through it; other surfaces only list photos
    double units_per_point_ = 1;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    PangoLayout* layout_ = nullptr;
    int em_ = 0;                    // of the selected font, in device pixels
    std::optional<FontCell> cell_;  // of the selected font, once found
    std::uint32_t colour_ = 0;
    DevicePoint position_;
};

}  // namespace posteri

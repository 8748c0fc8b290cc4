#pragma once
// One printed page rendered as PDF with cairo and pango. User units are device pixels: (0, 0) is the
// printable area's corner, and everything drawn is clipped to the printable area. Text keeps its
// shape on paper when the horizontal and vertical resolutions differ; its extents are device pixels.

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/printers.h"

namespace posteri {

// Receives the PDF bytes as cairo produces them.
using PdfWriter = std::function<void(const unsigned char* data, unsigned int length)>;

class PdfPage {
  public:
    // `title` is Windows-1252 text, stored as the document's Title.
    PdfPage(const SheetMetrics& sheet, std::string_view title, PdfWriter writer);
    ~PdfPage();
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    // A new sheet, for a page on which nothing has been drawn yet.
    void set_sheet(const SheetMetrics& sheet);

    void select_font(std::string_view face, int points, bool bold);
    void set_text_colour(std::uint32_t rgb) { colour_ = rgb; }
    TextExtent text_extent(std::string_view text);
    void move_to(DevicePoint position) { position_ = position; }
    void draw_text(std::string_view text);
    DevicePoint current_position() const { return position_; }
    void stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source, const DeviceRect& destination);

    // Ends the page and the document; false when cairo could not produce it.
    bool finish();

  private:
    void place_origin();
    void to_text_grid();

    SheetMetrics sheet_;
    PdfWriter writer_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    PangoLayout* layout_ = nullptr;
    std::uint32_t colour_ = 0;
    double text_x_scale_ = 1;  // horizontal device pixels per vertical one
    DevicePoint position_;
};

}  // namespace posteri

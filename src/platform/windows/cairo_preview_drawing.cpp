// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/cairo_preview_drawing.h"

#include "platform/pdf/cairo_pdf_page.h"

namespace posteri {

namespace {

constexpr std::uint32_t kBlackInk = 0x000000;
constexpr double kMarginGrey = 0.55;
constexpr double kDot = 2.0;

bool has_margins(const SheetMetrics& sheet) {
    return sheet.offset_x > 0 || sheet.offset_y > 0 || sheet.printable_width < sheet.physical_width ||
           sheet.printable_height < sheet.physical_height;
}

// The printable area's edge as a dotted grey line, one picture pixel wide, on the pixels just inside.
void dot_printable_edge(cairo_t* cr, const SheetMetrics& sheet, double scale) {
    const double per_x = scale * 72.0 / sheet.dpi_x;
    const double per_y = scale * 72.0 / sheet.dpi_y;
    cairo_set_source_rgb(cr, kMarginGrey, kMarginGrey, kMarginGrey);
    cairo_set_line_width(cr, 1.0);
    const double dots[] = {kDot, kDot};
    cairo_set_dash(cr, dots, 2, 0);
    cairo_rectangle(cr, sheet.offset_x * per_x + 0.5, sheet.offset_y * per_y + 0.5,
                    sheet.printable_width * per_x - 1.0, sheet.printable_height * per_y - 1.0);
    cairo_stroke(cr);
}

void blank_sheet(cairo_surface_t* picture, const SheetMetrics& sheet, double scale) {
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (has_margins(sheet)) dot_printable_edge(cr, sheet, scale);
    cairo_destroy(cr);
}

}  // namespace

double preview_scale(const SheetMetrics& sheet, int height) {
    if (sheet.physical_height <= 0 || sheet.dpi_y <= 0) return 1;
    return height / (sheet.physical_height * 72.0 / sheet.dpi_y);
}

void draw_preview_page(cairo_surface_t* picture, const PreviewPage& page, const MemoryBitmap* photo) {
    const SheetMetrics& sheet = page.sheet;
    if (sheet.dpi_x <= 0 || sheet.dpi_y <= 0) return;
    const double scale = preview_scale(sheet, cairo_image_surface_get_height(picture));
    blank_sheet(picture, sheet, scale);
    PdfPage drawing(picture, sheet, scale);
    if (photo != nullptr && page.photo)
        drawing.stretch_bitmap(*photo, page.photo->source, page.photo->destination);
    for (const PreviewText& line : page.lines) {
        drawing.select_font(line.face, line.points, line.bold);
        drawing.set_text_colour(kBlackInk);
        drawing.move_to(line.at);
        drawing.draw_text(line.text);
    }
    cairo_surface_flush(picture);
}

}  // namespace posteri

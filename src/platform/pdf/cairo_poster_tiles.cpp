// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pdf/cairo_poster_tiles.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "format/codepage.h"

namespace posteri {

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kBorder = 10 * kPointsPerMm;
constexpr double kOverlap = 10 * kPointsPerMm;
// A part that misses the page's edge by less than this is taken to reach it.
constexpr double kSlack = 1e-6;
// Crop marks prolong the part's edges into the border, from 1 mm to 5 mm beyond its corners: clear
// of the picture and of the 5 mm next to the sheet's edge that many printers cannot reach.
constexpr double kMarkGap = 1 * kPointsPerMm;
constexpr double kMarkLength = 4 * kPointsPerMm;
constexpr double kMarkWidth = 0.3;
constexpr double kLabelPoints = 7;
constexpr double kLabelBaseline = 3 * kPointsPerMm;  // above the part's top edge

struct Grid {
    int rows;
    int columns;
};

// How many parts of `printable` length, each overlapping the next, cover `length`.
int parts_along(double length, double printable) {
    const double beyond_first = std::max(0.0, length - printable);
    return 1 + static_cast<int>(std::ceil(beyond_first / (printable - kOverlap) - kSlack));
}

Grid grid_for(double page_width, double page_height, double sheet_width, double sheet_height) {
    return {parts_along(page_height, sheet_height - 2 * kBorder),
            parts_along(page_width, sheet_width - 2 * kBorder)};
}

cairo_status_t write_to(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<PhotoObjectWriter*>(closure)->write(data, length);
    return CAIRO_STATUS_SUCCESS;
}

// The recorded page, shifted so that the part lands inside the sheet's border and cut to the part.
void draw_part(cairo_t* cr, cairo_surface_t* page, const PagePart& part) {
    cairo_save(cr);
    cairo_rectangle(cr, kBorder, kBorder, part.width, part.height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, page, kBorder - part.x, kBorder - part.y);
    cairo_paint(cr);
    cairo_restore(cr);
}

void draw_crop_marks(cairo_t* cr, const PagePart& part) {
    const double left = kBorder;
    const double top = kBorder;
    const double right = kBorder + part.width;
    const double bottom = kBorder + part.height;
    for (const double x : {left, right}) {
        cairo_move_to(cr, x, top - kMarkGap);
        cairo_rel_line_to(cr, 0, -kMarkLength);
        cairo_move_to(cr, x, bottom + kMarkGap);
        cairo_rel_line_to(cr, 0, kMarkLength);
    }
    for (const double y : {top, bottom}) {
        cairo_move_to(cr, left - kMarkGap, y);
        cairo_rel_line_to(cr, -kMarkLength, 0);
        cairo_move_to(cr, right + kMarkGap, y);
        cairo_rel_line_to(cr, kMarkLength, 0);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, kMarkWidth);
    cairo_stroke(cr);
}

// The sheet's place in the grid, counted from 1, centred above its part.
void draw_label(cairo_t* cr, const TilePlan& plan, int row, int column, const PagePart& part) {
    const std::string label =
        cp1252_to_utf8("riga " + std::to_string(row + 1) + ", colonna " + std::to_string(column + 1) +
                       " (di " + std::to_string(plan.rows) + " \xD7 " + std::to_string(plan.columns) + ")");
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kLabelPoints);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, label.c_str(), &extents);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, kBorder + (part.width - extents.x_advance) / 2, kBorder - kLabelBaseline);
    cairo_show_text(cr, label.c_str());
}

}  // namespace

TilePlan plan_tiles(double page_width, double page_height, double sheet_width, double sheet_height) {
    const Grid upright = grid_for(page_width, page_height, sheet_width, sheet_height);
    const Grid turned = grid_for(page_width, page_height, sheet_height, sheet_width);
    TilePlan plan{sheet_width, sheet_height, upright.rows, upright.columns, {}};
    if (turned.rows * turned.columns < upright.rows * upright.columns) {
        plan = TilePlan{sheet_height, sheet_width, turned.rows, turned.columns, {}};
    }
    const double printable_width = plan.sheet_width - 2 * kBorder;
    const double printable_height = plan.sheet_height - 2 * kBorder;
    for (int row = 0; row < plan.rows; ++row) {
        for (int column = 0; column < plan.columns; ++column) {
            const double x = column * (printable_width - kOverlap);
            const double y = row * (printable_height - kOverlap);
            plan.parts.push_back({x, y, std::min(printable_width, page_width - x),
                                  std::min(printable_height, page_height - y)});
        }
    }
    return plan;
}

bool write_tiles(cairo_surface_t* page, const std::vector<std::shared_ptr<const PdfImage>>& photos,
                 const TilePlan& plan, std::string_view title, RenderFile& rendered) {
    PhotoObjectWriter objects([&rendered](const unsigned char* data, unsigned int length) {
        rendered.write(data, length);
    });
    for (const auto& photo : photos) objects.add(photo);
    cairo_surface_t* pdf =
        cairo_pdf_surface_create_for_stream(write_to, &objects, plan.sheet_width, plan.sheet_height);
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_TITLE, cp1252_to_utf8(title).c_str());
    cairo_t* cr = cairo_create(pdf);
    for (int row = 0; row < plan.rows; ++row) {
        for (int column = 0; column < plan.columns; ++column) {
            const PagePart& part = plan.parts[static_cast<std::size_t>(row * plan.columns + column)];
            draw_part(cr, page, part);
            draw_crop_marks(cr, part);
            draw_label(cr, plan, row, column, part);
            cairo_show_page(cr);
        }
    }
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    const bool written = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS && objects.finish();
    cairo_surface_destroy(pdf);
    return drawn && written;
}

}  // namespace posteri

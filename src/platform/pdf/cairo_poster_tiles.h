// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A big page printed 1:1 on smaller sheets that a home printer takes: how many sheets, which part
// of the page each one carries, and the PDF whose pages they are. Lengths are PDF points.

#include <cairo.h>

#include <memory>
#include <string_view>
#include <vector>

#include "platform/pdf/pdf_photo_objects.h"
#include "platform/system/render_file.h"

namespace posteri {

struct PagePart {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct TilePlan {
    double sheet_width = 0;  // the small sheet, turned the way it is printed
    double sheet_height = 0;
    int rows = 0;
    int columns = 0;
    std::vector<PagePart> parts;  // row by row, each sheet's part of the big page
};

// Each sheet keeps a 10 mm border unprinted by the page; the parts overlap by 10 mm where sheets
// meet, and the last row and column end with the page. The sheet is turned the way that needs
// fewer sheets, upright when both need as many.
TilePlan plan_tiles(double page_width, double page_height, double sheet_width, double sheet_height);

// Writes into `rendered` a PDF of the plan's sheets carrying `page` (a recording in points, whose
// `photos` are the image objects recorded on it), each with crop marks at the corners of its part
// and its place as "riga r, colonna c (di R × C)"; `title` (Windows-1252) is the document's Title.
// False when cairo could not produce the PDF.
bool write_tiles(cairo_surface_t* page, const std::vector<std::shared_ptr<const PdfImage>>& photos,
                 const TilePlan& plan, std::string_view title, RenderFile& rendered);

}  // namespace posteri

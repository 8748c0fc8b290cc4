// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printers: the list of installed printers, attaching one by name for a document, its orientation,
// its sheet metrics, and drawing text and photos on its page. At most one printer is attached at a
// time; the page starts with the first drawing after attaching.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace posteri {

enum class PageOrientation { Portrait, Landscape };

// A printer's sheet in device pixels.
struct SheetMetrics {
    int physical_width = 0;   // the whole sheet
    int physical_height = 0;
    int offset_x = 0;         // the printable area's top-left corner on the sheet
    int offset_y = 0;
    int printable_width = 0;  // the printable area
    int printable_height = 0;
    int dpi_x = 0;
    int dpi_y = 0;
    bool operator==(const SheetMetrics&) const = default;
};

class MemoryBitmap;

// A paper size a printer takes. Lengths in hundredths of a millimetre, portrait.
struct PaperSize {
    std::string name;   // its common name ("A4", "Letter"), empty when it has none
    std::string media;  // the printer's own name for it, handed back to attach()
    int width = 0;
    int length = 0;
    bool operator==(const PaperSize&) const = default;
};

// Where the last ended job went: the PDF file written (Windows-1252, like every path the program
// handles), or the id of the job handed to a print server (0 when none) and that server's queue.
struct JobOutcome {
    std::string pdf_path;
    int job_id = 0;
    std::string queue;
    bool operator==(const JobOutcome&) const = default;
};

class Printers {
public:
    virtual ~Printers() = default;
    virtual std::vector<std::string> list() = 0;
    // The listed printer of the program's own (not a print server's queue) whose name equals `name`
    // without regard to letter case; empty when none does. No print server's queue name can equal
    // one, so it is the listed printer of that name.
    virtual std::string own_printer(std::string_view name) = 0;
    // The printer the system prints to unless told otherwise; empty when none is set.
    virtual std::string default_printer() = 0;
    // The paper sizes the printer takes, its default first; empty for a printer of one sheet size.
    virtual std::vector<PaperSize> paper_sizes(std::string_view name) = 0;
    // 0 when attached; otherwise the failure number to report (68: device unavailable). `media`, one
    // of paper_sizes()' names, replaces the printer's default paper; empty keeps the default.
    virtual int attach(std::string_view name, std::string_view document, std::string_view media = {}) = 0;
    // The attached printer's name, empty when none is attached.
    virtual std::string attached_name() const = 0;
    // Applies to the pages drawn afterwards.
    virtual void set_orientation(PageOrientation orientation) = 0;
    // The attached printer's metrics in the current orientation.
    virtual SheetMetrics metrics() const = 0;
    // --- drawing on the attached printer's page (device coordinates: the printable area's corner)
    // The whole face name is asked for; 0 points is taken as 8; height round(points * dpi_y / 72).
    virtual void select_font(std::string_view face, int points, bool bold) = 0;
    // 0xRRGGBB, on a transparent background.
    virtual void set_text_colour(std::uint32_t rgb) = 0;
    // Width and height in device pixels of a text (Windows-1252) in the selected font.
    virtual TextExtent text_extent(std::string_view text) = 0;
    virtual void move_to(DevicePoint position) = 0;
    // Draws the text with its top-left corner at the current position, which then moves right by
    // the text's width. Clipped to the printable width and the line's height.
    virtual void draw_text(std::string_view text) = 0;
    virtual DevicePoint current_position() const = 0;
    // Halftone stretch of the bitmap's source rectangle onto the destination rectangle.
    virtual void stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source, const DeviceRect& destination) = 0;

    // Ends the open page and the document, and detaches the printer.
    virtual int end_job() = 0;
    // Detaches without printing.
    virtual void release() = 0;
    // What the last end_job() produced.
    virtual JobOutcome last_job() const = 0;
};

}  // namespace posteri

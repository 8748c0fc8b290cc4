#pragma once
// Printers: the list of installed printers, attaching one by name for a document, its orientation and
// its sheet metrics. At most one printer is attached at a time.

#include <string>
#include <string_view>
#include <vector>

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

class Printers {
public:
    virtual ~Printers() = default;
    virtual std::vector<std::string> list() = 0;
    // 0 when attached; otherwise the failure number to report (68: device unavailable).
    virtual int attach(std::string_view name, std::string_view document) = 0;
    // The attached printer's name, empty when none is attached.
    virtual std::string attached_name() const = 0;
    // Applies to the pages drawn afterwards.
    virtual void set_orientation(PageOrientation orientation) = 0;
    // The attached printer's metrics in the current orientation.
    virtual SheetMetrics metrics() const = 0;
    // Ends the open page and the document, and detaches the printer.
    virtual int end_job() = 0;
    // Detaches without printing.
    virtual void release() = 0;
};

}  // namespace posteri

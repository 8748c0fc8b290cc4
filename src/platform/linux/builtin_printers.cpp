#include "platform/linux/builtin_printers.h"

#include <cmath>
#include <utility>

namespace posteri {

namespace {

constexpr int kDpi = 600;

struct IsoSheet {
    const char* name;
    int width_mm;
    int height_mm;
};

constexpr IsoSheet kSheets[] = {
    {"pdfcreator A4", 210, 297}, {"pdfcreator A3", 297, 420}, {"pdfcreator A2", 420, 594},
    {"pdfcreator A1", 594, 841}, {"pdfcreator A0", 841, 1189},
};

// Millimetres to device pixels, to the nearest pixel with ties to even.
int to_pixels(int millimetres) {
    return static_cast<int>(std::nearbyint(millimetres / 25.4 * kDpi));
}

}  // namespace

std::vector<std::string> BuiltinPrinters::list() {
    std::vector<std::string> names;
    for (const IsoSheet& sheet : kSheets) names.emplace_back(sheet.name);
    return names;
}

int BuiltinPrinters::attach(std::string_view name, std::string_view document) {
    attached_.reset();
    for (const IsoSheet& sheet : kSheets) {
        if (name == sheet.name) {
            attached_ = Sheet{sheet.name, sheet.width_mm, sheet.height_mm};
            document_ = std::string(document);
            orientation_ = PageOrientation::Portrait;
            return 0;
        }
    }
    return 68;
}

std::string BuiltinPrinters::attached_name() const { return attached_ ? attached_->name : std::string(); }

void BuiltinPrinters::set_orientation(PageOrientation orientation) { orientation_ = orientation; }

SheetMetrics BuiltinPrinters::metrics() const {
    if (!attached_) return {};
    int width = to_pixels(attached_->width_mm);
    int height = to_pixels(attached_->height_mm);
    if (orientation_ == PageOrientation::Landscape) std::swap(width, height);
    return SheetMetrics{width, height, 0, 0, width, height, kDpi, kDpi};
}

// The built-in printers do not draw yet: the page stays empty until the PDF writer is in place.
void BuiltinPrinters::select_font(std::string_view, int, bool) {}
void BuiltinPrinters::set_text_colour(std::uint32_t) {}
TextExtent BuiltinPrinters::text_extent(std::string_view) { return {}; }
void BuiltinPrinters::move_to(DevicePoint position) { position_ = position; }
void BuiltinPrinters::draw_text(std::string_view) {}
DevicePoint BuiltinPrinters::current_position() const { return position_; }
void BuiltinPrinters::stretch_bitmap(const MemoryBitmap&, const PixelRect&, const DeviceRect&) {}

int BuiltinPrinters::end_job() {
    attached_.reset();
    return 0;
}

void BuiltinPrinters::release() { attached_.reset(); }

}  // namespace posteri

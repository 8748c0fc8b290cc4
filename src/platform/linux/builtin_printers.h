#pragma once
// The built-in PDF printers "pdfcreator A4" … "pdfcreator A0": 600 dpi, no margins, ISO sheets.

#include <optional>
#include <string>

#include "platform/printers.h"

namespace posteri {

class BuiltinPrinters : public Printers {
public:
    std::vector<std::string> list() override;
    int attach(std::string_view name, std::string_view document) override;
    std::string attached_name() const override;
    void set_orientation(PageOrientation orientation) override;
    SheetMetrics metrics() const override;
    void select_font(std::string_view face, int points, bool bold) override;
    void set_text_colour(std::uint32_t rgb) override;
    TextExtent text_extent(std::string_view text) override;
    void move_to(DevicePoint position) override;
    void draw_text(std::string_view text) override;
    DevicePoint current_position() const override;
    void stretch_bitmap(const MemoryBitmap& bitmap, const PixelRect& source, const DeviceRect& destination) override;
    int end_job() override;
    void release() override;
    JobOutcome last_job() const override { return {}; }

private:
    struct Sheet {
        std::string name;
        int width_mm;
        int height_mm;
    };
    std::optional<Sheet> attached_;
    std::string document_;
    PageOrientation orientation_ = PageOrientation::Portrait;
    DevicePoint position_;
};

}  // namespace posteri
